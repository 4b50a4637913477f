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

}  // namespace tessaro
