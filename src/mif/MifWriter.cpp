#include "mif/MifWriter.h"

#include <algorithm>

#include "common/Encoding.h"

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

MifWriter::~MifWriter() = default;

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
  int replaced = 0;
  f.writeLine(ToCp936(utf8Line, &replaced));
  if (replaced > 0) {
    replaced_ += replaced;
    rowReplaced_ = true;
  }
}

void MifWriter::writeHeader(const std::vector<MifColumn>& declarations) {
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
  headerReplaced_ = replaced_;
  rowReplaced_ = false;
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
  mif_->writeLine("");
  for (const auto& l : objectLines) put(*mif_, l);
  if (rowReplaced_) replacedRows_.push_back(row_);
}

void MifWriter::close() { CommitAll({mif_.get(), mid_.get()}); }

std::string MifWriter::replacementNote() const {
  if (replaced_ == 0) return {};
  std::string s = std::to_string(replaced_) + " 个字符无法用 GBK 编码，已写作“?”（";
  if (headerReplaced_ > 0) {
    s += "列名";
    if (!replacedRows_.empty()) s += "，";
  }
  if (!replacedRows_.empty()) {
    s += "第 ";
    for (std::size_t i = 0; i < replacedRows_.size() && i < 20; ++i) {
      if (i) s += "、";
      s += std::to_string(replacedRows_[i]);
    }
    if (replacedRows_.size() > 20) s += " 等";
    s += " 行";
  }
  s += "）";
  return s;
}

}  // namespace tessaro
