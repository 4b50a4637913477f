#include "templates/SaveFolder.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include <dirent.h>
#include <unistd.h>

#include "common/OutputFile.h"

namespace tessaro {

namespace fs = std::filesystem;

namespace {

std::mutex gMutex;
std::string gSaveFolder;

std::string WithSlash(std::string s) {
  if (s.empty() || s.back() != '/') s.push_back('/');
  return s;
}

void Seed(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder / "icon", ec);
  fs::create_directories(folder / "dt", ec);
  for (const fs::path& shipped : {fs::path(ExecutableFolder()) / "save" / "icon",
                                  fs::path(ExecutableFolder()) / ".." / "share" / "tessaro" / "save" / "icon"}) {
    if (!fs::is_directory(shipped, ec)) continue;
    for (const auto& entry : fs::directory_iterator(shipped, ec)) {
      fs::path target = folder / "icon" / entry.path().filename();
      if (!fs::exists(target, ec)) fs::copy_file(entry.path(), target, ec);
    }
    break;
  }
}

std::string Resolve() {
  fs::path portable = fs::path(ExecutableFolder()) / "save";
  std::error_code ec;
  if (fs::is_directory(portable, ec) && ::access(portable.c_str(), W_OK) == 0) {
    fs::create_directories(portable / "dt", ec);
    fs::create_directories(portable / "icon", ec);
    return WithSlash(portable.lexically_normal().generic_string());
  }
  fs::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = fs::path(home) / ".local" / "share";
  } else {
    base = fs::temp_directory_path(ec);
  }
  fs::path folder = base / "tessaro" / "save";
  Seed(folder);
  return WithSlash(folder.lexically_normal().generic_string());
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().generic_string();
}

std::string SaveFolder() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gSaveFolder.empty()) gSaveFolder = Resolve();
  return gSaveFolder;
}

void SetSaveFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gMutex);
  gSaveFolder = WithSlash(AbsolutePath(folder));
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name.size() < extension.size()) continue;
    if (name.compare(name.size() - extension.size(), extension.size(), extension) != 0) continue;
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(folder) / name, ec)) continue;
    names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace tessaro
