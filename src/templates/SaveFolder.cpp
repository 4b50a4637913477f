#include "templates/SaveFolder.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include <dirent.h>
#include <unistd.h>

#include "common/OutputFile.h"

// The shared data folder relative to the executable's folder in an installed
// layout; the build sets it from its install directories.
#ifndef TESSARO_SHARE_FROM_BIN
#define TESSARO_SHARE_FROM_BIN "../share/tessaro"
#endif

namespace tessaro {

namespace fs = std::filesystem;

namespace {

std::mutex gMutex;
std::string gSaveFolder;

std::string WithSlash(std::string s) {
  if (s.empty() || s.back() != '/') s.push_back('/');
  return s;
}

std::string WithoutSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string Normal(const fs::path& p) { return WithSlash(p.lexically_normal().generic_string()); }

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().generic_string();
}

std::string UserDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return WithoutSlash(xdg);
  if (const char* home = std::getenv("HOME"); home && *home) return WithoutSlash(home) + "/.local/share";
  std::error_code ec;
  return WithoutSlash(fs::temp_directory_path(ec).generic_string());
}

SavePlace ChooseSaveFolder(const std::string& exeFolder, const std::string& userDataFolder) {
  std::error_code ec;
  const fs::path exe(exeFolder);
  const fs::path perUser = fs::path(userDataFolder) / "tessaro" / "save";
  const fs::path shipped = exe / TESSARO_SHARE_FROM_BIN / "save";
  if (fs::is_directory(shipped, ec)) return {Normal(perUser), Normal(shipped)};
  const fs::path portable = exe / "save";
  const bool hasPortable = fs::is_directory(portable, ec);
  if (hasPortable && ::access(portable.c_str(), W_OK) == 0) return {Normal(portable), {}};
  return {Normal(perUser), hasPortable ? Normal(portable) : std::string()};
}

void PrepareSaveFolder(const SavePlace& place) {
  std::error_code ec;
  const fs::path folder(WithoutSlash(place.folder));
  if (!place.seed.empty() && !fs::exists(folder, ec)) {
    // Seed a sibling first and rename it into place, so that a run stopped
    // half-way does not leave a folder that counts as seeded.
    const fs::path partial = folder.parent_path() / (".save-" + std::to_string(::getpid()));
    fs::create_directories(partial, ec);
    fs::copy(place.seed, partial, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    fs::rename(partial, folder, ec);
    if (ec) fs::remove_all(partial, ec);  // another run seeded it first
  }
  fs::create_directories(folder / "dt", ec);
  fs::create_directories(folder / "icon", ec);
}

std::string SaveFolder() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gSaveFolder.empty()) {
    SavePlace place = ChooseSaveFolder(ExecutableFolder(), UserDataFolder());
    PrepareSaveFolder(place);
    gSaveFolder = place.folder;
  }
  return gSaveFolder;
}

void SetSaveFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gMutex);
  std::error_code ec;
  std::string abs = AbsolutePath(folder);
  fs::create_directories(abs, ec);
  gSaveFolder = WithSlash(abs);
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
