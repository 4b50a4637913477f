#include "Fixtures.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "source/Provider.h"

namespace tessaro::test {

namespace {

long long MTime(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_mtime);
}

// Several test processes run at once: one generates under a lock, the
// others wait for it and reuse the files.
const std::string& FixtureDir() {
  static const std::string dir = [] {
    const std::string folder = std::string(TESSARO_BINARY_DIR) + "/fixtures/source";
    const std::string script = std::string(TESSARO_SOURCE_DIR) + "/tests/source/make_fixtures.py";
    std::system(("mkdir -p " + ShellQuote(folder)).c_str());
    const int lock = open((folder + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) throw std::runtime_error("cannot lock the fixture folder");
    const std::string stamp = folder + "/.stamp";
    if (MTime(stamp) < 0 || MTime(stamp) < MTime(script)) {
      const std::string cmd = "/usr/bin/python3 " + ShellQuote(script) + " " + ShellQuote(folder) + " && touch " +
                              ShellQuote(stamp);
      if (std::system(cmd.c_str()) != 0) {
        close(lock);
        throw std::runtime_error("make_fixtures.py failed");
      }
    }
    close(lock);
    return folder;
  }();
  return dir;
}

}  // namespace

std::string Fixture(const std::string& name) { return FixtureDir() + "/" + name; }

std::vector<std::vector<std::string>> QueryTexts(const std::string& path, const std::string& sql) {
  RecordSet rs = Connection::open(ConnectionString(path))->execute(sql);
  std::vector<std::vector<std::string>> rows{rs.fieldNames()};
  for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
    std::vector<std::string> r;
    for (int i = 0; i < rs.fieldCount(); ++i) r.push_back(rs.value(i).text());
    rows.push_back(r);
  }
  return rows;
}

int Run(const std::string& command, std::string* out) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  const int status = pclose(p);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

}  // namespace tessaro::test
