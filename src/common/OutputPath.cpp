#include "common/OutputPath.h"

#include <filesystem>

#include "common/OutputFile.h"

namespace fs = std::filesystem;

namespace tessaro {

std::string ResolveOutputPath(const std::string& typed, const std::string& workbook) {
  const fs::path name(typed);
  if (name.is_absolute() || workbook.empty()) return AbsolutePath(typed);
  const fs::path folder = fs::path(AbsolutePath(workbook)).parent_path();
  return (folder / name).lexically_normal().generic_string();
}

std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.generic_string();
}

bool IsKmzName(const std::string& path) {
  static const char kExt[] = ".kmz";
  const std::size_t n = sizeof kExt - 1;
  if (path.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = path[path.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kExt[i]) return false;
  }
  return true;
}

}  // namespace tessaro
