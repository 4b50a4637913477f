// The choice of reader by the file's first bytes (never by its name), and
// what every reader shares.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "source/Biff.h"
#include "source/Reader.h"
#include "source/ZipXml.h"

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

std::uint64_t ExpansionLimit(std::uint64_t storedBytes) {
  constexpr std::uint64_t kFloor = std::uint64_t(256) << 20;
  constexpr std::uint64_t kPerStoredByte = 64;
  return kFloor + kPerStoredByte * std::min<std::uint64_t>(storedBytes, std::uint64_t(1) << 48);
}

std::string ExpansionMessage(const std::string& what, std::uint64_t limit, std::uint64_t stored) {
  return "工作簿已损坏或是恶意构造的文件：" + what + "展开后超过 " + std::to_string(limit >> 20) + " MiB（文件中只有 " +
         std::to_string((stored + 1023) / 1024) + " KiB）";
}

namespace {

constexpr std::size_t kHeadBytes = 1 << 16;

// A zip holds an .xlsx/.xlsm, an .ods, or something this program does not read.
std::unique_ptr<WorkbookReader> OpenZipWorkbook(const std::string& path) {
  std::string mime;
  {
    Zip zip(path);
    if (zip.has("xl/workbook.bin")) throw Error("不支持 .xlsb 格式，请在 Excel 中另存为 .xlsx");
    mime = zip.head("mimetype", 128);
    if (mime.empty() && !zip.has("[Content_Types].xml") && !zip.has("xl/workbook.xml"))
      throw Error("不是 Excel 工作簿（是普通的 zip 压缩包，不是 .xlsx、.xlsm 或 .ods 工作簿）：" + path);
  }
  if (mime == "application/vnd.oasis.opendocument.spreadsheet") return OpenOds(path);
  if (mime.compare(0, 35, "application/vnd.oasis.opendocument.") == 0)
    throw Error("不是电子表格（是 OpenDocument 文档“" + mime + "”）：" + path);
  return OpenXlsx(path);
}

}  // namespace

std::unique_ptr<WorkbookReader> OpenWorkbook(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0)
    throw Error(errno == ENOENT ? "找不到工作簿文件：" + path : "无法打开工作簿文件（" + SystemErrorText(errno) + "）：" + path);
  if (S_ISDIR(st.st_mode)) throw Error("不是工作簿文件（是一个文件夹）：" + path);
  // A pipe or a device would block the reading or never end.
  if (!S_ISREG(st.st_mode)) throw Error("不是工作簿文件（不是普通文件）：" + path);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw Error("无法打开工作簿文件（" + SystemErrorText(errno) + "）：" + path);
  std::string head(kHeadBytes, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), f));
  const bool whole = std::feof(f) != 0;
  std::fclose(f);
  const auto* magic = reinterpret_cast<const unsigned char*>(head.data());
  const std::size_t n = head.size();
  if (n >= 4 && magic[0] == 'P' && magic[1] == 'K' && magic[2] == 3 && magic[3] == 4) return OpenZipWorkbook(path);
  static const unsigned char kCfb[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (n >= 8 && std::memcmp(magic, kCfb, 8) == 0) return OpenXls(path);
  if (n == 0) throw Error("工作簿文件是空的：" + path);
  // Excel 2.x to 4.0 wrote their records straight into the file, beginning
  // with a BOF record of 4 to 16 bytes.
  if (n >= 4) {
    const std::uint16_t size = biff::U16(magic + 2);
    if (const char* version = biff::OldExcelVersion(biff::U16(magic)); version && size >= 4 && size <= 16)
      throw Error(biff::OldExcelMessage(version) + "：" + path);
  }
  switch (SniffText(head, whole)) {
    case TextSniff::Text: return OpenCsv(path);
    case TextSniff::Markup:
      throw Error("不是 Excel 工作簿，而是网页（HTML）或 XML 文件（有些系统导出的“Excel 文件”其实是网页）；"
                  "请在 Excel 中打开后另存为 .xlsx：" + path);
    case TextSniff::Binary: break;
  }
  throw Error("不是 Excel 工作簿（能读取的格式：.xlsx、.xlsm、.xls、.ods、.csv、.txt）：" + path);
}

}  // namespace tessaro::source
