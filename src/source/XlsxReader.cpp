// Streaming .xlsx reader on minizip and expat.
//
// The sheet list comes from xl/workbook.xml and its relationships (never from
// part names: sheets may be reordered). Sheet XML is parsed as it is
// inflated, so memory stays small however long the sheet is; the CRC of a
// part is checked when the part has been read to its end.
#include <expat.h>
#include <minizip/unzip.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <algorithm>
#include <map>
#include <optional>

#include "common/Encoding.h"
#include "common/Text.h"
#include "source/Reader.h"
#include "source/ZipXml.h"

namespace tessaro::source {
namespace {

struct Relationship {
  std::string target;  // resolved part name
  std::string type;
};

// Resolves a relationship target against the folder of its source part.
std::string ResolveTarget(const std::string& sourceFolder, const std::string& target) {
  std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : sourceFolder + target;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string seg = path.substr(start, slash - start);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    start = slash + 1;
  }
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

class RelsPart : public XmlPart {
 public:
  explicit RelsPart(std::string folder) : folder_(std::move(folder)) {}
  std::map<std::string, Relationship> byId;

 protected:
  void start(const char* name, const char** attrs) override {
    if (std::strcmp(name, "Relationship") != 0) return;
    const char* id = Attr(attrs, "Id");
    const char* target = Attr(attrs, "Target");
    const char* type = Attr(attrs, "Type");
    const char* mode = Attr(attrs, "TargetMode");
    if (!id || !target || (mode && std::strcmp(mode, "External") == 0)) return;
    byId[id] = {ResolveTarget(folder_, target), type ? type : ""};
  }
  void end(const char*) override {}

 private:
  std::string folder_;
};

bool EndsWith(const std::string& s, const char* suffix) {
  std::size_t n = std::strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

struct SheetEntry {
  std::string name;
  std::string relId;
};

class WorkbookPart : public XmlPart {
 public:
  std::vector<SheetEntry> sheets;
  bool date1904 = false;

 protected:
  void start(const char* name, const char** attrs) override {
    if (std::strcmp(name, "sheet") == 0) {
      const char* n = Attr(attrs, "name");
      const char* id = nullptr;
      for (int i = 0; attrs[i]; i += 2)  // r:id, whatever the prefix
        if (std::strchr(attrs[i], ':') && std::strcmp(Local(attrs[i]), "id") == 0) id = attrs[i + 1];
      sheets.push_back({n ? n : "", id ? id : ""});
    } else if (std::strcmp(name, "workbookPr") == 0) {
      const char* d = Attr(attrs, "date1904");
      date1904 = d && (std::strcmp(d, "1") == 0 || std::strcmp(d, "true") == 0);
    }
  }
  void end(const char*) override {}
};

class StylesPart : public XmlPart {
 public:
  std::vector<std::uint8_t> xfKinds;  // date kind per cell format index

 protected:
  void start(const char* name, const char** attrs) override {
    if (std::strcmp(name, "numFmt") == 0) {
      const char* id = Attr(attrs, "numFmtId");
      const char* code = Attr(attrs, "formatCode");
      if (id && code) codes_[std::atoi(id)] = code;
    } else if (std::strcmp(name, "cellXfs") == 0) {
      inCellXfs_ = true;
    } else if (inCellXfs_ && std::strcmp(name, "xf") == 0) {
      const char* id = Attr(attrs, "numFmtId");
      int fmt = id ? std::atoi(id) : 0;
      auto it = codes_.find(fmt);
      xfKinds.push_back(static_cast<std::uint8_t>(FormatDateKind(fmt, it == codes_.end() ? nullptr : &it->second)));
    }
  }
  void end(const char* name) override {
    if (std::strcmp(name, "cellXfs") == 0) inCellXfs_ = false;
  }

 private:
  std::map<int, std::string> codes_;
  bool inCellXfs_ = false;
};

// What a shared string costs besides its text: its place in the list, and
// the room the list keeps to grow.
constexpr std::uint64_t kBytesPerSharedString = 2 * sizeof(std::string);
// The most the shared strings of a workbook may hold, however large its
// string table is stored (see ExpansionLimit below it).
constexpr std::uint64_t kMaxSharedText = std::uint64_t(1) << 30;
// The most shared strings read: no sheet can use more. Every use of one in a
// sheet takes at least 20 bytes of its XML (<c t="s"><v>0</v></c>), so a
// workbook cannot use more strings than its sheets' bytes / 20 either; a
// string list far longer than that (millions of empty strings in a small
// file) is never read past what the sheets could use.
constexpr std::size_t kMaxSharedStrings = std::size_t(1) << 25;
constexpr std::uint64_t kBytesPerSharedUse = 20;

// Shared strings: <si> holds <t>, or rich-text runs <r><t>; phonetic runs
// <rPh> are skipped. Reading can stop once `limit` strings are known. The
// table may hold `bytes` bytes, each string counting its text and its place
// in the list (millions of empty strings cost memory too).
class SharedStringsPart : public XmlPart {
 public:
  SharedStringsPart(std::size_t limit, std::uint64_t bytes, std::uint64_t stored)
      : limit_(limit), byteLimit_(std::min(bytes, kMaxSharedText)), stored_(stored) {}
  std::vector<std::string> strings;

 protected:
  void start(const char* name, const char** attrs) override {
    if (std::strcmp(name, "si") == 0) {
      inSi_ = true;
      text_.clear();
    } else if (std::strcmp(name, "rPh") == 0) {
      ++phonetic_;
    } else if (inSi_ && phonetic_ == 0 && std::strcmp(name, "t") == 0) {
      capture_ = true;
    } else if (std::strcmp(name, "sst") == 0) {
      const char* unique = Attr(attrs, "uniqueCount");
      if (unique) strings.reserve(std::min<std::size_t>({std::strtoul(unique, nullptr, 10), limit_, 1u << 20}));
    }
  }
  void end(const char* name) override {
    if (std::strcmp(name, "t") == 0) {
      capture_ = false;
    } else if (std::strcmp(name, "rPh") == 0) {
      if (phonetic_ > 0) --phonetic_;
    } else if (std::strcmp(name, "si") == 0) {
      inSi_ = false;
      DecodeXmlEscapes(text_);
      bytes_ += text_.size() + kBytesPerSharedString;
      if (bytes_ > byteLimit_) throw Error(ExpansionMessage("共享字符串表", byteLimit_, stored_));
      strings.push_back(std::move(text_));
      text_.clear();
      if (strings.size() >= limit_) stop();
    }
  }

 private:
  std::size_t limit_;
  std::uint64_t byteLimit_, stored_;
  std::uint64_t bytes_ = 0;
  bool inSi_ = false;
  int phonetic_ = 0;
};

constexpr std::uint32_t kMaxColumns = 16384;
// A sheet has at most 1,048,576 rows: a row past them is a damaged or hostile
// file, however many bytes it takes.
constexpr std::uint32_t kMaxRows = 1048576;
constexpr const char* kTooManyRows = "工作表超过 1048576 行，文件可能已损坏";

// "AB12" -> column 27 (0-based); nothing when the reference has no letters.
std::optional<std::uint32_t> ColumnOf(const char* ref) {
  std::uint32_t col = 0;
  bool any = false;
  for (; *ref; ++ref) {
    char c = *ref;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    col = col * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
    any = true;
    if (col > kMaxColumns) return kMaxColumns;  // out of range, reported by the caller
  }
  if (!any) return std::nullopt;
  return col - 1;
}

std::string CellName(std::uint32_t row, std::uint32_t col) {
  std::string letters;
  std::uint32_t c = col + 1;
  while (c > 0) {
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    c = (c - 1) / 26;
  }
  return letters + std::to_string(row + 1);
}

}  // namespace

// "2024-01-31T13:45:30.000Z" as the reader writes dates: the date, the time
// or both as the cell's format shows them (both when the time is not 0:00
// and the format does not say). Other texts are kept as they are.
std::string IsoDateText(const std::string& iso, int kind) {
  auto digits = [&](std::size_t at, std::size_t n) {
    if (at + n > iso.size()) return false;
    for (std::size_t i = at; i < at + n; ++i)
      if (iso[i] < '0' || iso[i] > '9') return false;
    return true;
  };
  const bool hasDate = digits(0, 4) && iso.size() >= 10 && iso[4] == '-' && digits(5, 2) && iso[7] == '-' && digits(8, 2);
  const std::size_t t = hasDate ? 10 : 0;
  const bool hasTime = (hasDate ? iso.size() > 10 && iso[10] == 'T' : true) && digits(t + (hasDate ? 1 : 0), 2) &&
                       iso.size() >= t + (hasDate ? 9 : 8) && iso[t + (hasDate ? 3 : 2)] == ':';
  if (!hasDate && !hasTime) return iso;
  kind &= 3;
  std::string date = hasDate ? iso.substr(0, 10) : "";
  std::string time = hasTime ? iso.substr(t + (hasDate ? 1 : 0), 8) : "00:00:00";
  if (kind == 1 || (kind == 0 && time == "00:00:00" && hasDate)) return date;
  if (kind == 2 || !hasDate) return time;
  return date + " " + time;
}

namespace {

// The rows of one worksheet.
class SheetPart : public XmlPart {
 public:
  SheetPart(const std::vector<std::string>* strings, const std::vector<std::uint8_t>* xfKinds, bool date1904,
            const RowSink& sink, std::string sheetName)
      : XmlPart(Parser::Sheet), strings_(strings), xfKinds_(xfKinds), date1904_(date1904), sink_(sink), sheet_(std::move(sheetName)) {}

  // Header-only pass without shared strings: the largest string index the
  // first row uses, so the caller reads only as many shared strings.
  bool collectOnly = false;
  std::size_t maxStringIndex = 0;
  bool sawStringIndex = false;
  // The strings are only those the probe asked for: an index past them means
  // the first row's strings were all empty and the header lies further on.
  bool partialStrings = false;
  struct NeedAllStrings {};

  // What the sheet declared and what it held besides values.
  SheetFacts facts;

  // How many bytes of shared strings the cells may take in all, and the
  // stored bytes that limit comes from (for the message).
  std::uint64_t expansionLimit = ~std::uint64_t(0);
  std::uint64_t storedBytes = 0;

 protected:
  void start(const char* name, const char** attrs) override {
    switch (name[0]) {
      case 'd':
        if (std::strcmp(name, "dimension") == 0) readDimension(Attr(attrs, "ref"));
        return;
      case 'f':
        if (inCell_ && name[1] == '\0') hasFormula_ = true;
        return;
      case 'r':
        if (std::strcmp(name, "row") == 0) startRow(Attr(attrs, "r"));
        else if (std::strcmp(name, "rPh") == 0) ++phonetic_;
        return;
      case 'c':
        if (inRow_ && name[1] == '\0') startCell(attrs);
        return;
      case 'i':  // an inline string is its <is> text alone, whatever <v> it also holds
        if (inCell_ && type_ == 'i' && std::strcmp(name, "is") == 0) {
          inlineText_ = true;
          text_.clear();
        }
        return;
      case 'v':
        if (inCell_ && name[1] == '\0' && !inlineText_) capture_ = true;
        return;
      case 't':
        if (inCell_ && name[1] == '\0' && phonetic_ == 0 && type_ == 'i') capture_ = true;
        return;
      default: return;
    }
  }

  void end(const char* name) override {
    switch (name[0]) {
      case 'v':
      case 't':
        if (name[1] == '\0') capture_ = false;
        return;
      case 'r':
        if (std::strcmp(name, "rPh") == 0) {
          if (phonetic_ > 0) --phonetic_;
        } else if (std::strcmp(name, "row") == 0) {
          inRow_ = false;
          if (collectOnly) {
            if (nonEmpty_) stop();
            return;
          }
          if (nonEmpty_ && !sink_(row_, cells_)) stop();
        }
        return;
      case 'c':
        if (name[1] == '\0' && inCell_) finishCell();
        return;
      default: return;
    }
  }

 private:
  [[noreturn]] void bad(const std::string& what) {
    throw Error("工作表“" + sheet_ + "”单元格 " + CellName(row_, static_cast<std::uint32_t>(col_)) + "：" + what);
  }

  // <row r="N">: the row is N (1-based), or the one after the last.
  void startRow(const char* r) {
    std::uint32_t next = started_ ? row_ + 1 : 0;
    if (r) {
      std::uint32_t v = 0;
      auto res = std::from_chars(r, r + std::strlen(r), v);
      if (res.ec == std::errc() && v >= 1) next = v - 1;
    }
    if (next >= kMaxRows) throw Error(kTooManyRows);
    row_ = next;
    started_ = true;
    cellsInRow_ = 0;
    cells_.clear();
    col_ = -1;
    inRow_ = true;
    nonEmpty_ = false;
  }

  // <c r="B2" t="s" s="3">: the cell's column (the one after the last
  // without r), its type and its format.
  void startCell(const char** attrs) {
    const char *r = nullptr, *t = nullptr, *s = nullptr;
    for (int i = 0; attrs[i]; i += 2) {  // r, t and s in one look
      const char* a = Local(attrs[i]);
      if (a[0] != '\0' && a[1] == '\0') {
        if (a[0] == 'r') r = attrs[i + 1];
        else if (a[0] == 't') t = attrs[i + 1];
        else if (a[0] == 's') s = attrs[i + 1];
      }
    }
    std::optional<std::uint32_t> col = r ? ColumnOf(r) : std::nullopt;
    std::int64_t c = col ? static_cast<std::int64_t>(*col) : col_ + 1;
    if (c >= static_cast<std::int64_t>(kMaxColumns) || ++cellsInRow_ > kMaxColumns)
      throw Error("工作表“" + sheet_ + "”第 " + std::to_string(row_ + 1) + " 行的单元格列号超出范围");
    col_ = c;
    type_ = t ? t[0] : 'n';
    if (t && std::strcmp(t, "str") == 0) type_ = 'f';  // formula text result
    if (t && std::strcmp(t, "inlineStr") == 0) type_ = 'i';
    if (t && std::strcmp(t, "s") == 0) type_ = 's';
    style_ = s ? std::strtoul(s, nullptr, 10) : 0;
    inCell_ = true;
    hasFormula_ = false;
    inlineText_ = false;
    text_.clear();
  }

  // <dimension ref="A1:J100"/>: the last column it names.
  void readDimension(const char* ref) {
    if (!ref) return;
    const char* colon = std::strchr(ref, ':');
    std::optional<std::uint32_t> col = ColumnOf(colon ? colon + 1 : ref);
    if (col && *col < kMaxColumns) facts.declaredColumns = *col + 1;
  }

  // The end of a <c>: its text (text_) made a cell as its type says, kept
  // in cells_ unless empty.
  void finishCell() {
    inCell_ = false;
    capture_ = false;
    // A formula whose result was never stored (written by a script, not
    // calculated by a spreadsheet program) reads as empty and is counted. A
    // text result (t="str") may rightly be the empty text.
    if (hasFormula_ && text_.empty() && type_ != 'i' && type_ != 'f') {
      if (!collectOnly) ++facts.formulasWithoutResult;
      return;
    }
    Cell cell;
    if (!readValue(cell)) return;
    if (cell.kind == Cell::Kind::Empty) return;
    if (cell.kind == Cell::Kind::Text && cell.text.empty()) return;
    nonEmpty_ = true;
    if (collectOnly) return;
    const auto col = static_cast<std::size_t>(col_);
    if (cells_.size() <= col) cells_.resize(col + 1);
    cells_[col] = std::move(cell);
  }

  // The cell's value from text_ by its type; false when the header probe
  // only noted a shared-string index and the cell is done with.
  bool readValue(Cell& cell) {
    switch (type_) {
      case 's': return sharedString(cell);
      case 'i':
      case 'f':
        cell.kind = Cell::Kind::Text;
        DecodeXmlEscapes(text_);
        cell.text = text_;
        return true;
      case 'b':
        if (text_.empty()) return true;
        cell.kind = Cell::Kind::Boolean;
        cell.number = (text_ == "1" || text_ == "true") ? 1 : 0;
        return true;
      case 'e':  // an error value reads as its text (#N/A, #DIV/0!)
        if (text_.empty()) return true;
        cell.kind = Cell::Kind::Text;
        cell.text = text_;
        return true;
      case 'd':  // ISO 8601 date text: shown as a serial date would be
        if (text_.empty()) return true;
        cell.kind = Cell::Kind::Text;
        cell.text = IsoDateText(text_, formatKind());
        return true;
      default: number(cell); return true;
    }
  }

  // What the cell's number format shows (FormatDateKind), 0 for none.
  int formatKind() const { return style_ < xfKinds_->size() ? (*xfKinds_)[style_] : 0; }

  // t="s": the shared string text_ numbers. The header probe only notes the
  // largest index (false: nothing more to do for the cell).
  bool sharedString(Cell& cell) {
    if (text_.empty()) return true;
    std::size_t idx = 0;
    auto res = std::from_chars(text_.data(), text_.data() + text_.size(), idx);
    if (res.ec != std::errc() || res.ptr != text_.data() + text_.size()) bad("共享字符串序号无效“" + text_ + "”");
    if (collectOnly) {
      maxStringIndex = std::max(maxStringIndex, idx);
      sawStringIndex = true;
      nonEmpty_ = true;
      return false;
    }
    if (idx >= strings_->size()) {
      if (partialStrings) throw NeedAllStrings{};
      bad("共享字符串序号 " + text_ + " 超出范围");
    }
    cell.kind = Cell::Kind::Text;
    cell.text = (*strings_)[idx];
    expanded_ += cell.text.size();
    if (expanded_ > expansionLimit)
      throw Error(ExpansionMessage("工作表“" + sheet_ + "”中的共享字符串", expansionLimit, storedBytes));
    return true;
  }

  // A number cell; a date or time format makes it the text the format shows.
  void number(Cell& cell) {
    if (text_.find_first_not_of(" \t\r\n") == std::string::npos) return;
    std::optional<double> v = ParseNumber(text_);
    if (!v) bad("数值“" + text_ + "”无效");
    const int kind = formatKind();
    if (kind != 0) {
      cell.kind = Cell::Kind::Text;
      cell.text = DateText(*v, kind & 1, kind & 2, date1904_, kind & kElapsed);
    } else {
      cell.kind = Cell::Kind::Number;
      cell.number = *v;
    }
  }

  const std::vector<std::string>* strings_;
  const std::vector<std::uint8_t>* xfKinds_;
  bool date1904_;
  const RowSink& sink_;
  std::string sheet_;
  std::vector<Cell> cells_;
  std::uint32_t row_ = 0;
  bool started_ = false;
  std::int64_t col_ = -1;
  bool inRow_ = false;
  bool inCell_ = false;
  bool nonEmpty_ = false;
  bool hasFormula_ = false;
  bool inlineText_ = false;  // an inline string's <is> has begun: a <v> is not its text
  char type_ = 'n';
  unsigned long style_ = 0;
  int phonetic_ = 0;
  std::uint32_t cellsInRow_ = 0;
  std::uint64_t expanded_ = 0;  // bytes of shared strings given to cells
};

std::string FolderOf(const std::string& part) {
  std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

class XlsxReader : public WorkbookReader {
 public:
  explicit XlsxReader(const std::string& path) : zip_(path) {
    // The main part, from the package relationships.
    std::string workbook = "xl/workbook.xml";
    if (zip_.has("_rels/.rels")) {
      RelsPart rels("");
      zip_.parse("_rels/.rels", rels);
      for (const auto& [id, rel] : rels.byId)
        if (EndsWith(rel.type, "/officeDocument")) workbook = rel.target;
    }
    if (!zip_.has(workbook)) throw Error("不是 Excel 工作簿（缺少 xl/workbook.xml）：" + path);
    WorkbookPart wb;
    zip_.parse(workbook, wb);
    date1904_ = wb.date1904;
    const std::string folder = FolderOf(workbook);
    const std::string relsName = folder + "_rels/" + workbook.substr(folder.size()) + ".rels";
    RelsPart rels(folder);
    if (zip_.has(relsName)) zip_.parse(relsName, rels);
    for (const auto& s : wb.sheets) {
      auto it = rels.byId.find(s.relId);
      names_.push_back(s.name);
      parts_.push_back(it == rels.byId.end() ? std::string() : it->second.target);
      worksheets_.push_back(it != rels.byId.end() && EndsWith(it->second.type, "/worksheet"));
    }
    for (const auto& [id, rel] : rels.byId) {
      if (EndsWith(rel.type, "/sharedStrings")) sharedStrings_ = rel.target;
      if (EndsWith(rel.type, "/styles")) styles_ = rel.target;
    }
    if (sharedStrings_.empty() && zip_.has(folder + "sharedStrings.xml")) sharedStrings_ = folder + "sharedStrings.xml";
    if (styles_.empty() && zip_.has(folder + "styles.xml")) styles_ = folder + "styles.xml";
  }

  const std::vector<std::string>& sheetNames() const override { return names_; }

  SheetFacts readSheet(std::size_t index, const RowSink& sink, bool headerOnly) override {
    if (index >= parts_.size()) throw Error("工作表序号超出范围");
    const std::string& part = parts_[index];
    if (part.empty() || !zip_.has(part)) {
      // A macro, dialog or module sheet may be listed without a part of its
      // own: it holds no cells. A worksheet without its part is damage.
      if (!worksheets_[index]) return {};
      throw Error("工作簿缺少工作表“" + names_[index] + "”的数据部件");
    }
    loadStyles();
    std::size_t stringLimit = static_cast<std::size_t>(-1);
    if (headerOnly && !stringsLoaded_) {
      // Find which shared strings the header row needs before reading them.
      SheetPart probe(nullptr, &xfKinds_, date1904_, sink, names_[index]);
      probe.collectOnly = true;
      zip_.parse(part, probe);
      stringLimit = probe.sawStringIndex ? probe.maxStringIndex + 1 : 0;
    }
    std::vector<std::string> partial;
    const std::vector<std::string>* strings = &strings_;
    bool partialStrings = false;
    if (!stringsLoaded_ && !sharedStrings_.empty() && stringLimit > 0) {
      if (stringLimit == static_cast<std::size_t>(-1)) {
        loadStrings();
      } else {
        const std::uint64_t stored = zip_.storedSize(sharedStrings_);
        SharedStringsPart sst(std::min(stringLimit, usableStrings()), ExpansionLimit(stored), stored);
        zip_.parse(sharedStrings_, sst);
        partial = std::move(sst.strings);
        strings = &partial;
        partialStrings = true;
      }
    }
    try {
      SheetPart sheet(strings, &xfKinds_, date1904_, sink, names_[index]);
      sheet.partialStrings = partialStrings;
      limitExpansion(sheet, part);
      zip_.parse(part, sheet, headerOnly ? nullptr : CurrentLoadProgress());
      return sheet.facts;
    } catch (const SheetPart::NeedAllStrings&) {
      // Nothing reached the sink yet (the header row is the first it gets).
      loadStrings();
      SheetPart sheet(&strings_, &xfKinds_, date1904_, sink, names_[index]);
      limitExpansion(sheet, part);
      zip_.parse(part, sheet, nullptr);
      return sheet.facts;
    }
  }

 private:
  void loadStyles() {
    if (stylesLoaded_) return;
    stylesLoaded_ = true;
    if (styles_.empty() || !zip_.has(styles_)) return;
    StylesPart st;
    zip_.parse(styles_, st);
    xfKinds_ = std::move(st.xfKinds);
  }
  // Reads the whole string table; a table that fails is read (and fails)
  // again at the next sheet instead of reading as empty.
  void loadStrings() {
    if (!sharedStrings_.empty() && zip_.has(sharedStrings_)) {
      const std::uint64_t stored = zip_.storedSize(sharedStrings_);
      SharedStringsPart sst(usableStrings(), ExpansionLimit(stored), stored);
      zip_.parse(sharedStrings_, sst);
      strings_ = std::move(sst.strings);
    }
    stringsLoaded_ = true;
  }
  // The shared strings a sheet's cells may take: as much as the sheet and
  // the string table, stored, may expand to.
  void limitExpansion(SheetPart& sheet, const std::string& part) {
    sheet.storedBytes = zip_.storedSize(part) + (sharedStrings_.empty() ? 0 : zip_.storedSize(sharedStrings_));
    sheet.expansionLimit = ExpansionLimit(sheet.storedBytes);
  }
  // How many shared strings the sheets could use at most (see
  // kBytesPerSharedUse).
  std::size_t usableStrings() {
    std::uint64_t sheetBytes = 0;
    for (const auto& part : parts_)
      if (!part.empty()) sheetBytes += zip_.declaredSize(part);
    return static_cast<std::size_t>(std::min<std::uint64_t>(sheetBytes / kBytesPerSharedUse + 1, kMaxSharedStrings));
  }

  Zip zip_;
  std::vector<std::string> names_;
  std::vector<std::string> parts_;
  std::vector<bool> worksheets_;  // whether a sheet's relationship calls it a worksheet
  std::string sharedStrings_, styles_;
  std::vector<std::string> strings_;
  std::vector<std::uint8_t> xfKinds_;
  bool stringsLoaded_ = false, stylesLoaded_ = false, date1904_ = false;
};

// The code unit of "_xHHHH_" at `i`, if there is one.
std::optional<std::uint32_t> EscapeAt(const std::string& s, std::size_t i) {
  if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return std::nullopt;
  std::uint32_t v = 0;
  auto res = std::from_chars(s.data() + i + 2, s.data() + i + 6, v, 16);
  if (res.ec != std::errc() || res.ptr != s.data() + i + 6) return std::nullopt;
  return v;
}

}  // namespace

void DecodeXmlEscapes(std::string& text) {
  if (text.find("_x") == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::optional<std::uint32_t> u = EscapeAt(text, i);
    if (!u) {
      out.push_back(text[i++]);
      continue;
    }
    i += 7;
    std::uint32_t cp = *u;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      std::optional<std::uint32_t> low = EscapeAt(text, i);
      if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
        i += 7;
      } else {
        cp = 0xFFFD;
      }
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  text = std::move(out);
}

int FormatDateKind(int id, const std::string* code) {
  if (!code) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 58)) return 1;
    if (id == 46) return 2 | kElapsed;  // [h]:mm:ss
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || id == 45 || id == 47) return 2;
    if (id == 22) return 3;
    return 0;
  }
  bool y = false, d = false, m = false, h = false, s = false, elapsed = false;
  const std::string& c = *code;
  for (std::size_t i = 0; i < c.size(); ++i) {
    char ch = c[i];
    if (ch == '"') {
      std::size_t close = c.find('"', i + 1);
      if (close == std::string::npos) break;
      i = close;
    } else if (ch == '\\' || ch == '_' || ch == '*') {
      ++i;
    } else if (ch == '[') {
      std::size_t close = c.find(']', i + 1);
      if (close == std::string::npos) break;
      // Elapsed time: [h], [mm], [ss].
      std::string inner = c.substr(i + 1, close - i - 1);
      if (!inner.empty() && inner.find_first_not_of("hHmMsS") == std::string::npos) h = elapsed = true;
      i = close;
    } else if (ch == ';') {
      break;  // the first section decides
    } else {
      switch (ch) {
        case 'y': case 'Y': y = true; break;
        case 'd': case 'D': d = true; break;
        case 'm': case 'M': m = true; break;
        case 'h': case 'H': h = true; break;
        case 's': case 'S': s = true; break;
        default: break;
      }
    }
  }
  const bool time = h || s;
  const bool date = y || d || (m && !time);
  return (date ? 1 : 0) | (time ? 2 : 0) | (elapsed && !date ? kElapsed : 0);
}

std::string DateText(double serial, bool date, bool time, bool date1904, bool elapsed) {
  if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0) return NumberText(serial);
  if (elapsed && time && !date) {
    const long long total = std::llround(serial * 86400.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", total / 3600, (total / 60) % 60, total % 60);
    return buf;
  }
  double days = std::floor(serial);
  long long seconds = std::llround((serial - days) * 86400.0);
  if (seconds >= 86400) {
    days += 1;
    seconds -= 86400;
  }
  std::string out;
  if (date) {
    // Civil date from days since 1899-12-30 (1900 system; serial 60 is the
    // nonexistent 1900-02-29 and below it days count from 1899-12-31).
    long long n = static_cast<long long>(days);
    if (date1904) n += 1462;
    else if (n < 61) n += 1;
    // Days since 1970-01-01.
    long long z = n - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long yr = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long dd = doy - (153 * mp + 2) / 5 + 1;
    const long long mm = mp < 10 ? mp + 3 : mp - 9;
    if (mm <= 2) ++yr;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", yr, mm, dd);
    out = buf;
  }
  if (time) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", seconds / 3600, (seconds / 60) % 60, seconds % 60);
    if (!out.empty()) out.push_back(' ');
    out += buf;
  }
  return out;
}

std::unique_ptr<WorkbookReader> OpenXlsx(const std::string& path) { return std::make_unique<XlsxReader>(path); }

}  // namespace tessaro::source
