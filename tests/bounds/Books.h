#pragma once
// The workbooks of the bounds tests: .csv tables each test writes for itself,
// and the .xlsx files make_books.py writes once per test program. Outputs are
// read back with the clients other programs use (xmllint, ogrinfo).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace fs = std::filesystem;
using tessaro::test::Lines;
using tessaro::test::Ran;
using tessaro::test::ReadFile;

class Books : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("tessaro-bounds-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const std::string cmd =
        "/usr/bin/python3 '" TESSARO_SOURCE_DIR "/tests/bounds/make_books.py' '" + dir_.string() + "' >/dev/null 2>&1";
    made_ = std::system(cmd.c_str()) == 0;
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static std::string Book(const std::string& name) { return (dir_ / name).string(); }
  // Writes a .csv table (UTF-8, the lines joined with CR LF) and returns its path.
  static std::string Csv(const std::string& name, const std::vector<std::string>& lines) {
    std::ofstream out(dir_ / name, std::ios::binary);
    for (const auto& l : lines) out << l << "\r\n";
    return Book(name);
  }
  static Ran Cli(const std::vector<std::string>& args) { return tessaro::test::RunProgram(args, dir_, dir_); }
  // Runs a client program (xmllint, ogrinfo) in the test folder.
  static Ran Client(const std::vector<std::string>& args) {
    return tessaro::test::RunProgram(std::vector<std::string>(args.begin() + 1, args.end()), dir_, dir_, args[0]);
  }
  static bool Exists(const std::string& name) { return fs::exists(dir_ / name); }
  // The failure's one-line reason (the second line on standard error).
  static std::string Reason(const Ran& r) {
    const auto lines = Lines(r.err);
    return lines.size() > 1 ? lines[1] : r.err;
  }

  static inline fs::path dir_;
  static inline bool made_ = false;
};
