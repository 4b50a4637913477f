#pragma once
// The workbooks of the real-workbook tests, made once per test program by
// make_real.py (openpyxl, xlsxwriter) beside the ones LibreOffice wrote
// (tests/data/real), and the clients that read what tessaro-cli writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace fs = std::filesystem;
using tessaro::test::Lines;
using tessaro::test::Ran;
using tessaro::test::ReadFile;

class RealWorkbooks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("tessaro-real-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const std::string cmd = "/usr/bin/python3 '" TESSARO_SOURCE_DIR "/tests/real_workbooks/make_real.py' '" +
                            dir_.string() + "' >/dev/null 2>&1";
    made_ = std::system(cmd.c_str()) == 0;
    // LibreOffice's files are committed with the script that made them.
    for (const char* name : {"drive.xlsx", "cells.xlsx"})
      fs::copy_file(fs::path(TESSARO_SOURCE_DIR) / "tests/data/real" / name, dir_ / name);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  void SetUp() override { ASSERT_TRUE(made_) << "cannot make the workbooks (python3-openpyxl, python3-xlsxwriter)"; }

  static std::string Book(const char* name) { return (dir_ / name).string(); }
  static Ran Cli(const std::vector<std::string>& args) { return tessaro::test::RunProgram(args, dir_, dir_); }
  // Runs a client program (ogrinfo, xmllint) on a written file.
  static Ran Client(const std::vector<std::string>& args) {
    return tessaro::test::RunProgram(std::vector<std::string>(args.begin() + 1, args.end()), dir_, dir_, args[0]);
  }
  // GDAL's feature count of a layer file (of its first layer).
  static std::string FeatureCount(const std::string& file) {
    const Ran r = Client({"ogrinfo", "-ro", "-al", "-so", file});
    const std::size_t at = r.out.find("Feature Count: ");
    if (r.status != 0 || at == std::string::npos) return "unreadable: " + r.err;
    return r.out.substr(at + 15, r.out.find('\n', at) - at - 15);
  }

  static inline fs::path dir_;
  static inline bool made_ = false;
};


