#pragma once
// Helpers of the drive-test tests: hand-built results, temporary folders,
// reading files back and running the CLI.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "source/Provider.h"

namespace dt {

namespace fs = std::filesystem;

inline tessaro::Value N(double v) { return tessaro::Value::Real(v); }
inline tessaro::Value I(long long v) { return tessaro::Value::Integer(v); }
inline tessaro::Value T(const std::string& s) { return tessaro::Value::Text(s); }
inline tessaro::Value E() { return tessaro::Value(); }

inline std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// Lines of a CR LF file (the CR LF itself checked by the caller when needed).
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.push_back(cur);
      cur.clear();
      ++i;
    } else {
      cur.push_back(text[i]);
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

// A fresh empty folder under the build tree, private to the running test
// (ctest runs tests in parallel processes).
inline fs::path TempFolder(const std::string& name) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  fs::path p = fs::path(TESSARO_BINARY_DIR) / "tmp-drivetest" / test / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

// Runs a shell command; returns its exit status and its standard output.
inline int Run(const std::string& cmd, std::string* out = nullptr) {
  std::string full = cmd + " 2>&1";
  FILE* f = ::popen(full.c_str(), "r");
  if (!f) return -1;
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  int rc = ::pclose(f);
  if (out) *out = text;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

inline bool Have(const std::string& tool) { return Run("command -v " + tool + " >/dev/null") == 0; }

// True once the workbook provider reads real files.
inline bool ProviderBuilt() {
  try {
    tessaro::ListSheetNames("/nonexistent.xlsx");
  } catch (const std::exception& e) {
    return std::string(e.what()).find("not built yet") == std::string::npos;
  }
  return true;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q.push_back(c);
  }
  return q + "'";
}

// Builds the fixture workbooks into `folder` with the committed script.
inline bool MakeFixtures(const fs::path& folder) {
  std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/drivetest/make_fixtures.py";
  return Run("/usr/bin/python3 " + Quote(script) + " " + Quote(folder.string())) == 0;
}

}  // namespace dt
