// The choice of reader by the file's first bytes, and what every reader
// shares.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "source/Reader.h"

namespace tessaro::source {

const char* ErrorCellText(unsigned code) {
  switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "";
  }
}

std::unique_ptr<WorkbookReader> OpenWorkbook(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw Error("找不到工作簿文件：" + path);
  if (S_ISDIR(st.st_mode)) throw Error("不是工作簿文件（是一个文件夹）：" + path);
  // A pipe or a device would block the reading or never end.
  if (!S_ISREG(st.st_mode)) throw Error("不是工作簿文件（不是普通文件）：" + path);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw Error("无法打开工作簿文件（" + std::string(std::strerror(errno)) + "）：" + path);
  unsigned char magic[8] = {};
  const std::size_t n = std::fread(magic, 1, sizeof magic, f);
  std::fclose(f);
  if (n >= 4 && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4) return OpenXlsx(path);
  static const unsigned char kCfb[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (n == 8 && std::memcmp(magic, kCfb, 8) == 0) return OpenXls(path);
  if (n == 0) throw Error("工作簿文件是空的：" + path);
  throw Error("不是 Excel 工作簿（既非 .xlsx 也非 .xls 格式）：" + path);
}

}  // namespace tessaro::source
