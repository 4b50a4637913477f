// .xls reader on FreeXL, and the choice of reader by the file's first bytes.
#include <freexl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "source/Reader.h"

namespace tessaro::source {
namespace {

// Whether a compound file holds an "EncryptionInfo" stream: an .xlsx
// protected by a password is stored that way.
bool HoldsEncryptionInfo(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  static const char16_t kName[] = u"EncryptionInfo";
  std::string pattern;
  for (char16_t c : kName) {
    if (!c) break;
    pattern.push_back(static_cast<char>(c & 0xFF));
    pattern.push_back(static_cast<char>(c >> 8));
  }
  std::string buf(1 << 20, '\0');
  std::string carry;
  while (in) {
    in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
    std::string chunk = carry + buf.substr(0, static_cast<std::size_t>(in.gcount()));
    if (chunk.find(pattern) != std::string::npos) return true;
    carry = chunk.size() > pattern.size() ? chunk.substr(chunk.size() - pattern.size()) : chunk;
  }
  return false;
}

class XlsReader : public WorkbookReader {
 public:
  explicit XlsReader(const std::string& path) : path_(path) {
    int rc = freexl_open(path.c_str(), &handle_);
    if (rc != FREEXL_OK) {
      const bool encrypted = HoldsEncryptionInfo(path);
      close();
      if (encrypted) throw Error("工作簿已加密（受密码保护），无法读取：" + path);
      throw Error("无法读取 .xls 工作簿（已损坏或格式不支持，FreeXL 错误 " + std::to_string(rc) + "）：" + path);
    }
    unsigned int info = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
      close();
      throw Error("工作簿已加密（受密码保护），无法读取：" + path);
    }
    unsigned int count = 0;
    freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count);
    if (count == 0) {
      close();
      // FreeXL opens an encrypted workbook "successfully" with no sheets.
      throw Error("工作簿已加密或不含工作表，无法读取：" + path);
    }
    for (unsigned int i = 0; i < count && i < 65536; ++i) {
      const char* name = nullptr;
      if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name) != FREEXL_OK || !name) {
        close();
        throw Error("无法读取 .xls 工作簿的工作表名称：" + path);
      }
      names_.emplace_back(name);
    }
  }
  ~XlsReader() override { close(); }
  XlsReader(const XlsReader&) = delete;
  XlsReader& operator=(const XlsReader&) = delete;

  const std::vector<std::string>& sheetNames() const override { return names_; }

  SheetFacts readSheet(std::size_t index, const RowSink& sink, bool headerOnly) override {
    if (index >= names_.size()) throw Error("工作表序号超出范围");
    if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index)) != FREEXL_OK)
      throw Error("无法读取工作表“" + names_[index] + "”");
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(handle_, &rows, &cols) != FREEXL_OK)
      throw Error("无法读取工作表“" + names_[index] + "”的大小");
    std::vector<Cell> cells;
    Progress* progress = headerOnly ? nullptr : CurrentLoadProgress();
    if (progress) progress->setMaximum(1000);
    for (unsigned int r = 0; r < rows; ++r) {
      if (progress && r % 1024 == 0) progress->setValue(1000.0 * r / rows);
      cells.assign(cols, Cell());
      bool any = false;
      for (unsigned short c = 0; c < cols; ++c) {
        FreeXL_CellValue v;
        if (freexl_get_cell_value(handle_, r, c, &v) != FREEXL_OK)
          throw Error("工作表“" + names_[index] + "”第 " + std::to_string(r + 1) + " 行第 " + std::to_string(c + 1) +
                      " 列无法读取");
        Cell& cell = cells[c];
        switch (v.type) {
          case FREEXL_CELL_INT:
            cell.kind = Cell::Kind::Number;
            cell.number = v.value.int_value;
            break;
          case FREEXL_CELL_DOUBLE:
            cell.kind = Cell::Kind::Number;
            cell.number = v.value.double_value;
            break;
          case FREEXL_CELL_TEXT:
          case FREEXL_CELL_SST_TEXT:
          case FREEXL_CELL_DATE:
          case FREEXL_CELL_DATETIME:
          case FREEXL_CELL_TIME:
            if (v.value.text_value && *v.value.text_value) {
              cell.kind = Cell::Kind::Text;
              cell.text = v.value.text_value;
            }
            break;
          default: break;
        }
        if (cell.kind != Cell::Kind::Empty) any = true;
      }
      if (!any) continue;
      while (!cells.empty() && cells.back().kind == Cell::Kind::Empty) cells.pop_back();
      if (!sink(r, cells)) return {};
    }
    if (progress) progress->setValue(1000);
    return {};
  }

 private:
  void close() {
    if (handle_) freexl_close(handle_);
    handle_ = nullptr;
  }
  std::string path_;
  const void* handle_ = nullptr;
  std::vector<std::string> names_;
};

}  // namespace

std::unique_ptr<WorkbookReader> OpenXls(const std::string& path) { return std::make_unique<XlsReader>(path); }

}  // namespace tessaro::source
