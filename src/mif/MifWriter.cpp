#include "mif/MifWriter.h"

#include <algorithm>
#include <vector>

#include "common/Error.h"

#include "common/Encoding.h"
#include "common/SheetRow.h"

namespace tessaro {

std::string MifColumnName(const std::string& header) {
  std::string out;
  out.reserve(header.size());
  for (char c : header) {
    if (c == ' ' || c == ',' || c == '"') out.push_back('_');
    else if (c == '(' || c == ')') continue;
    else out.push_back(c);
  }
  return out;
}

std::vector<std::string> MifColumnNames(const std::vector<std::string>& headers) {
  std::vector<std::string> out;
  for (const auto& h : headers) {
    std::string name = MifColumnName(h);
    if (std::find(out.begin(), out.end(), name) != out.end()) {
      for (int k = 2;; ++k) {
        std::string candidate = name + "_" + std::to_string(k);
        if (std::find(out.begin(), out.end(), candidate) == out.end()) {
          name = candidate;
          break;
        }
      }
    }
    out.push_back(name);
  }
  return out;
}

void AppendMidValue(std::string& line, const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) {
    line += value;
    return;
  }
  // A delimiter or a double quote would shift or swallow the following
  // fields: such a value is quoted, its quotes doubled. A line break would
  // end the record, so it becomes a blank.
  const bool quote = value.find_first_of(",\"") != std::string::npos;
  if (quote) line += '"';
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      line += ' ';
    } else if (c == '"') {
      line += "\"\"";
    } else {
      line += c;
    }
  }
  if (quote) line += '"';
}

MifWriter::~MifWriter() {
  if (spool_) std::fclose(spool_);
}

void MifWriter::open(const std::string& baseName) {
  base_ = baseName;
  mif_ = std::make_unique<OutputFile>(mifPath());
  mid_ = std::make_unique<OutputFile>(midPath());
}

namespace {
bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}
}  // namespace

void MifWriter::put(OutputFile& f, const std::string& utf8Line) {
  // Most lines (numbers, points, clauses) are plain ASCII and go out as they are.
  if (IsAscii(utf8Line)) {
    f.writeLine(utf8Line);
    return;
  }
  f.writeLine(encode(utf8Line));
}

std::string MifWriter::encode(const std::string& utf8Line) {
  int replaced = 0;
  std::string out = ToCp936(utf8Line, &replaced);
  if (replaced > 0) {
    replaced_ += replaced;
    rowReplaced_ = true;
  }
  return out;
}

void MifWriter::spoolUntilHeader() {
  if (spool_) return;
  spool_ = std::tmpfile();
  if (!spool_) throw Error("无法创建临时文件：" + mifPath());
}

void MifWriter::putObject(const std::string& utf8Line) {
  if (!spool_) {
    put(*mif_, utf8Line);
    return;
  }
  const std::string line = (IsAscii(utf8Line) ? utf8Line : encode(utf8Line)) + "\r\n";
  if (std::fwrite(line.data(), 1, line.size(), spool_) != line.size())
    throw Error("无法写入临时文件（磁盘已满？）：" + mifPath());
}

// The spooled object lines, after the header.
void MifWriter::drainSpool() {
  if (std::fflush(spool_) != 0 || std::fseek(spool_, 0, SEEK_SET) != 0)
    throw Error("无法读取临时文件：" + mifPath());
  std::vector<char> buf(std::size_t(1) << 16);
  for (;;) {
    const std::size_t n = std::fread(buf.data(), 1, buf.size(), spool_);
    if (n == 0) break;
    mif_->write(std::string_view(buf.data(), n));
  }
  if (std::ferror(spool_)) throw Error("无法读取临时文件：" + mifPath());
  std::fclose(spool_);
  spool_ = nullptr;
}

void MifWriter::writeHeader(const std::vector<MifColumn>& declarations) {
  const int before = replaced_;
  const bool rowReplaced = rowReplaced_;
  put(*mif_, "Version 300");
  put(*mif_, "Charset \"WindowsSimpChinese\"");
  put(*mif_, "Delimiter \",\"");
  put(*mif_, "CoordSys Earth Projection 1, 0");
  put(*mif_, "Columns " + std::to_string(declarations.size()));
  std::vector<std::string> headers;
  for (const auto& d : declarations) headers.push_back(d.name);
  std::vector<std::string> names = MifColumnNames(headers);
  for (std::size_t i = 0; i < declarations.size(); ++i) put(*mif_, names[i] + declarations[i].type);
  put(*mif_, "Data");
  // Replacements in the declarations belong to no data row.
  headerReplaced_ = replaced_ - before;
  rowReplaced_ = rowReplaced;
  if (spool_) drainSpool();
}

void MifWriter::writeRow(const std::vector<std::string>& values, const std::vector<std::string>& objectLines) {
  ++row_;
  rowReplaced_ = false;
  line_.clear();
  for (const auto& v : values) {
    AppendMidValue(line_, v);
    line_ += ',';
  }
  put(*mid_, line_);
  putObject("");
  for (const auto& l : objectLines) putObject(l);
  if (rowReplaced_) replacedRows_.push_back(row_);
}

void MifWriter::close() {
  if (spool_) throw Error("MIF 文件头尚未写入：" + mifPath());
  CommitAll({mif_.get(), mid_.get()});
}

std::string MifWriter::replacementNote(
    const std::function<std::string(const std::vector<long long>&)>& rowsText) const {
  if (replaced_ == 0) return {};
  std::string s = std::to_string(replaced_) + " 个字符无法用 GBK 编码，已写作“?”（";
  if (headerReplaced_ > 0) {
    s += "列名";
    if (!replacedRows_.empty()) s += "，";
  }
  if (!replacedRows_.empty()) {
    if (rowsText) {
      s += rowsText(replacedRows_);
    } else {
      std::vector<std::int64_t> rows;
      for (std::size_t i = 0; i < replacedRows_.size() && i <= 20; ++i) rows.push_back(replacedRows_[i] + 1);
      s += SheetRowsText(rows, 20);
    }
  }
  s += "）";
  return s;
}

}  // namespace tessaro
