// Streaming .csv/.txt reader: one sheet, named after the file's stem.
//
// The file is read in blocks and decoded to UTF-8 as it goes (TextDecoder),
// then split into records and fields as RFC 4180 describes: a field in double
// quotes may hold separators, line breaks and doubled quotes. Memory stays
// bounded by one block plus one record, however long the file is.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "common/Text.h"
#include "source/Reader.h"
#include "source/TextDecoder.h"
#include "source/ZipXml.h"

namespace tessaro::source {
namespace {

constexpr std::size_t kBlock = 1 << 20;
constexpr std::size_t kSniffBytes = 1 << 16;  // the header line is looked for in this much text
constexpr std::size_t kMaxColumns = 16384;
constexpr std::size_t kMaxRecord = 16 << 20;  // bytes of one record, all fields together
constexpr int kNoSeparator = -1;
constexpr std::uint32_t kCancelEvery = 4096;  // records between checks for a stop

std::string Lines(std::uint64_t line) { return "第 " + std::to_string(line) + " 行"; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A field that a spreadsheet would take as a number: blanks around it are
// allowed, and nothing else. Whole numbers with a leading zero ("007") or
// more than 15 digits (IMSI, ICCID) stay text: they are identifiers, and a
// number would lose their zeros or their last digits.
std::optional<double> FieldNumber(std::string_view f) {
  std::size_t b = 0, e = f.size();
  while (b < e && IsBlank(f[b])) ++b;
  while (e > b && IsBlank(f[e - 1])) --e;
  if (b == e) return std::nullopt;
  const std::string_view t = f.substr(b, e - b);
  const char c0 = t[0];
  if (!(c0 >= '0' && c0 <= '9') && c0 != '-' && c0 != '+' && c0 != '.') return std::nullopt;
  if (t.find_first_of(".eE") == std::string_view::npos) {
    const std::size_t digits = t.size() - (c0 == '-' || c0 == '+' ? 1 : 0);
    const char first = t[t.size() - digits];
    if (digits > 15 || (digits > 1 && first == '0')) return std::nullopt;
  }
  return ParseNumber(t);
}

bool EqualsNoCase(std::string_view a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != b[i]) return false;
  }
  return true;
}

// Types a field as a typed cell would be: empty, a number, TRUE/FALSE, or
// text. The field's storage is swapped into the cell, so none is allocated
// for a row of the usual width.
void TypeField(std::string& field, Cell& cell) {
  cell.text.clear();
  if (field.empty()) {
    cell.kind = Cell::Kind::Empty;
  } else if (std::optional<double> v = FieldNumber(field)) {
    cell.kind = Cell::Kind::Number;
    cell.number = *v;
  } else if (EqualsNoCase(field, "TRUE") || EqualsNoCase(field, "FALSE")) {
    cell.kind = Cell::Kind::Boolean;
    cell.number = field[0] == 't' || field[0] == 'T' ? 1 : 0;
  } else {
    cell.kind = Cell::Kind::Text;
    cell.text.swap(field);
  }
  field.clear();
}

// The separator of the first non-empty line: whichever of comma, tab and
// semicolon occurs most outside quotes (comma first on a tie); none when
// none occurs (a one-column file). A first line "sep=X", as some
// spreadsheets write it, names the separator and is skipped (`*skip` bytes).
int SniffSeparator(std::string_view text, std::size_t* skip) {
  *skip = 0;
  if (text.size() >= 5 && text.compare(0, 4, "sep=") == 0 && text[4] != '\r' && text[4] != '\n' &&
      (text.size() == 5 || text[5] == '\r' || text[5] == '\n')) {
    std::size_t end = 5;
    if (end < text.size() && text[end] == '\r') ++end;
    if (end < text.size() && text[end] == '\n') ++end;
    *skip = end;
    return static_cast<unsigned char>(text[4]);
  }
  std::size_t i = text.find_first_not_of("\r\n");
  std::size_t counts[3] = {0, 0, 0};
  bool quoted = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    else if (!quoted && (c == '\r' || c == '\n')) break;
    else if (!quoted && c == ',') ++counts[0];
    else if (!quoted && c == '\t') ++counts[1];
    else if (!quoted && c == ';') ++counts[2];
  }
  static const int kSeparators[3] = {',', '\t', ';'};
  int best = kNoSeparator;
  std::size_t most = 0;
  for (int k = 0; k < 3; ++k) {
    if (counts[k] > most) {
      most = counts[k];
      best = kSeparators[k];
    }
  }
  return best;
}

// Splits decoded text into records and hands each one to the sink as a row.
class CsvParser {
 public:
  CsvParser(const RowSink& sink, int separator, Progress* progress)
      : sink_(sink), separator_(separator), progress_(progress) {}

  // Parses the next piece of text. False once the sink has stopped.
  bool feed(std::string_view text);
  // At the end of the file: the last record, if the file does not end with a
  // line break. Throws Error when a quoted field is still open.
  void finish();
  // The 1-based line of the file being read.
  std::uint64_t line() const { return line_; }

 private:
  enum class State { FieldStart, Unquoted, Quoted, QuoteSeen };

  void append(std::string_view piece);
  // A separator or line break ends an unquoted field (and a line break the
  // record); false once the sink has stopped.
  bool endUnquoted(char c);
  // A quote, CR or LF inside a quoted field.
  void quoted(char c);
  void endField();
  bool endRecord();
  // Counts a line break; false for the LF of a CRLF pair.
  bool newLine(char c) {
    const bool counts = !(c == '\n' && lastCr_);
    if (counts) ++line_;
    lastCr_ = c == '\r';
    return counts;
  }
  bool isSeparator(char c) const { return separator_ != kNoSeparator && static_cast<unsigned char>(c) == separator_; }
  std::size_t unquotedRun(std::string_view text, std::size_t i) const;
  // Appends text[i, j) to the field and moves `i` past it; false when empty.
  bool takeRun(std::string_view text, std::size_t& i, std::size_t j) {
    if (j == i) return false;
    append(text.substr(i, j - i));
    lastCr_ = false;
    i = j;
    return true;
  }

  const RowSink& sink_;
  const int separator_;
  Progress* progress_;
  State state_ = State::FieldStart;
  std::string field_;
  std::vector<Cell> cells_;
  std::size_t used_ = 0;         // cells of the current record
  std::size_t recordBytes_ = 0;
  std::uint64_t line_ = 1;
  std::uint64_t quoteLine_ = 1;  // where the open quoted field began
  std::uint64_t row_ = 0;        // 0-based record number
  bool lastCr_ = false;
  bool atRecordStart_ = true;
};

std::size_t CsvParser::unquotedRun(std::string_view text, std::size_t i) const {
  std::size_t j = i;
  while (j < text.size()) {
    const char c = text[j];
    if (c == '\n' || c == '\r' || isSeparator(c)) break;
    ++j;
  }
  return j;
}

void CsvParser::append(std::string_view piece) {
  if (field_.size() + piece.size() > kMaxText) {
    const bool open = state_ == State::Quoted;
    throw Error(Lines(open ? quoteLine_ : line_) + "：字段超过 " + std::to_string(kMaxText) + " 字节" +
                (open ? "（引号是否没有结束？）" : ""));
  }
  field_.append(piece.data(), piece.size());
}

void CsvParser::endField() {
  if (used_ >= kMaxColumns) throw Error(Lines(line_) + "：超过 " + std::to_string(kMaxColumns) + " 列");
  recordBytes_ += field_.size();
  if (recordBytes_ > kMaxRecord) throw Error(Lines(line_) + "：一行超过 " + std::to_string(kMaxRecord) + " 字节");
  if (cells_.size() <= used_) cells_.resize(used_ + 1);
  TypeField(field_, cells_[used_++]);
  state_ = State::FieldStart;
}

bool CsvParser::endRecord() {
  // Trailing empty fields are no cells, as in a sheet.
  while (used_ > 0 && cells_[used_ - 1].kind == Cell::Kind::Empty) --used_;
  const bool any = used_ > 0;
  cells_.resize(used_);
  used_ = 0;
  recordBytes_ = 0;
  atRecordStart_ = true;
  if (row_ >= 0xFFFFFFFFu) throw Error(Lines(line_) + "：行数超出范围");
  const auto row = static_cast<std::uint32_t>(row_++);
  if (progress_ && row_ % kCancelEvery == 0) progress_->checkCancelled();
  return !any || sink_(row, cells_);
}

bool CsvParser::feed(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    switch (state_) {
      case State::FieldStart:
        if (c == '\n' && lastCr_ && atRecordStart_) {  // the LF of a CRLF that ended the record
          lastCr_ = false;
          ++i;
          continue;
        }
        atRecordStart_ = false;
        state_ = c == '"' ? State::Quoted : State::Unquoted;
        if (c == '"') {
          quoteLine_ = line_;
          lastCr_ = false;
          ++i;
        }
        continue;
      case State::Unquoted:
        if (takeRun(text, i, unquotedRun(text, i))) continue;
        ++i;
        if (!endUnquoted(c)) return false;
        continue;
      case State::Quoted: {
        std::size_t j = i;
        while (j < text.size() && text[j] != '"' && text[j] != '\n' && text[j] != '\r') ++j;
        if (takeRun(text, i, j)) continue;
        ++i;
        quoted(c);
        continue;
      }
      case State::QuoteSeen:
        if (c == '"') {  // a doubled quote
          append("\"");
          state_ = State::Quoted;
          ++i;
          continue;
        }
        // The quoted part is over; anything before the next separator is
        // kept as written.
        state_ = State::Unquoted;
        continue;
    }
  }
  return true;
}

bool CsvParser::endUnquoted(char c) {
  endField();
  if (isSeparator(c)) {
    lastCr_ = false;
    return true;
  }
  const bool more = endRecord();
  newLine(c);
  return more;
}

void CsvParser::quoted(char c) {
  if (c == '"') {
    state_ = State::QuoteSeen;
    lastCr_ = false;
  } else if (c == '\n' && lastCr_ && !field_.empty() && field_.back() == '\r') {
    field_.back() = '\n';  // a CRLF inside quotes is one line break
    newLine(c);
  } else {
    append(std::string_view(&c, 1));
    newLine(c);
  }
}

void CsvParser::finish() {
  if (state_ == State::Quoted) throw Error(Lines(quoteLine_) + "：引号没有结束（文件在引号内结束）");
  if (state_ == State::FieldStart && atRecordStart_ && used_ == 0) return;
  endField();
  endRecord();
}

std::string Stem(const std::string& path) {
  const std::string stem = std::filesystem::path(path).stem().string();
  return stem.empty() ? std::filesystem::path(path).filename().string() : stem;
}

class File {
 public:
  explicit File(const std::string& path) : f_(std::fopen(path.c_str(), "rb")) {
    if (!f_) throw Error("无法打开文件：" + path);
  }
  ~File() { std::fclose(f_); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* get() const { return f_; }

 private:
  std::FILE* f_;
};

class CsvReader : public WorkbookReader {
 public:
  explicit CsvReader(std::string path) : path_(std::move(path)), names_{Stem(path_)} {}

  const std::vector<std::string>& sheetNames() const override { return names_; }

  SheetFacts readSheet(std::size_t index, const RowSink& sink, bool headerOnly) override {
    if (index != 0) throw Error("工作表序号超出范围");
    File file(path_);
    std::fseek(file.get(), 0, SEEK_END);
    const long size = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);
    Progress* progress = headerOnly ? nullptr : CurrentLoadProgress();
    if (progress) progress->setMaximum(1000);
    TextDecoder decoder;
    std::optional<CsvParser> parser;
    std::vector<char> block(size >= 0 ? std::min<std::size_t>(kBlock, static_cast<std::size_t>(size) + 1) : kBlock);
    std::string text, head;
    double read = 0;
    for (bool last = false; !last;) {
      const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
      if (n < block.size() && std::ferror(file.get())) throw Error("读取文件失败：" + path_);
      last = n < block.size();
      read += static_cast<double>(n);
      text.clear();
      const bool decoded = decoder.decode(std::string_view(block.data(), n), last, text);
      if (!parser) {  // the separator comes from the first line
        head += text;
        if (head.size() < kSniffBytes && !last && decoded) continue;
        std::size_t skip = 0;
        parser.emplace(sink, SniffSeparator(head, &skip), progress);
        text = head.substr(skip);
        head.clear();
      }
      if (!parser->feed(text)) return {};
      if (!decoded) throw Error(Lines(parser->line()) + "：" + BadTextReason(decoder.encoding()));
      if (progress && size > 0) progress->setValue(1000.0 * read / static_cast<double>(size));
    }
    parser->finish();
    return {};
  }

 private:
  static std::string BadTextReason(TextDecoder::Encoding e) {
    switch (e) {
      case TextDecoder::Encoding::Utf8: return "不是有效的 UTF-8 文本（文件前面的文字是 UTF-8 编码）";
      case TextDecoder::Encoding::Gb18030: return "不是有效的 GB18030/GBK 文本";
      default: return "不是有效的 UTF-16 文本";
    }
  }

  std::string path_;
  std::vector<std::string> names_;
};

}  // namespace

TextSniff SniffText(std::string_view head, bool whole) {
  const auto at = [&](std::size_t i) { return i < head.size() ? static_cast<unsigned char>(head[i]) : 0u; };
  if ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF)) return TextSniff::Text;  // UTF-16
  if (head.find('\0') != std::string_view::npos) return TextSniff::Binary;
  std::size_t i = at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF ? 3 : 0;
  while (i < head.size() && (IsBlank(head[i]) || head[i] == '\r' || head[i] == '\n')) ++i;
  const unsigned char next = at(i + 1);
  if (at(i) == '<' && (next == '!' || next == '?' || (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')))
    return TextSniff::Markup;
  if (!whole) {  // a character cut by the block's end is no fault of the file
    const std::size_t lastBreak = head.find_last_of('\n');
    head = head.substr(0, lastBreak != std::string_view::npos ? lastBreak + 1 : head.size() - std::min<std::size_t>(3, head.size()));
  }
  // Damage after the first line is a damaged text file, reported by line
  // when it is read; damage in the first line is no text at all.
  TextDecoder decoder;
  std::string out;
  if (decoder.decode(head, true, out)) return TextSniff::Text;
  return out.find_first_of("\r\n") != std::string::npos ? TextSniff::Text : TextSniff::Binary;
}

std::unique_ptr<WorkbookReader> OpenCsv(const std::string& path) { return std::make_unique<CsvReader>(path); }

}  // namespace tessaro::source
