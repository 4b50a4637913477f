// Streaming OpenDocument spreadsheet (.ods) reader on minizip and expat.
//
// Every sheet lives in the one part content.xml, in document order, so the
// sheet list comes from a pass over that part, and reading sheet N parses
// (and skips) the sheets before it. Memory stays at one row however long the
// sheets are. Runs of equal rows and cells are stored once with a repeat
// count: empty runs only move the position (the usual filler up to the last
// row and column costs nothing), while runs that hold values are rows and
// cells like any other, within the sheet limits of 1,048,576 rows and 16,384
// columns.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

#include "common/Text.h"
#include "source/Reader.h"
#include "source/ZipXml.h"

namespace tessaro::source {
namespace {

constexpr std::uint64_t kMaxRows = 1048576;
constexpr std::uint64_t kMaxColumns = 16384;
constexpr std::uint64_t kMaxRepeat = 1ull << 32;  // larger counts are read as this
constexpr std::uint64_t kCancelEvery = 4096;       // rows between checks for a stop
// The most cells repeats may add to a sheet beyond the cells written out: a
// million rows of 16 columns, or every column of a thousand rows. Empty
// runs (the filler up to the last row and column) add none.
constexpr std::uint64_t kMaxRepeatedCells = std::uint64_t(1) << 24;
constexpr const char* kContent = "content.xml";

bool Is(const char* a, const char* b) { return a && std::strcmp(a, b) == 0; }

std::uint64_t RepeatOf(const char* text) {
  if (!text) return 1;
  std::uint64_t v = 0;
  const auto res = std::from_chars(text, text + std::strlen(text), v);
  if (res.ec == std::errc::result_out_of_range) return kMaxRepeat;
  if (res.ec != std::errc() || v == 0) return 1;
  return std::min(v, kMaxRepeat);
}

// "PT13H45M30S" (a time of day, or a duration) as the text of a time cell;
// an `elapsed` one keeps its whole days in the hours ("PT255H10M10S" reads
// "255:10:10", a time of day "15:10:10").
std::optional<std::string> DurationText(const char* iso, bool elapsed) {
  if (!iso || std::strncmp(iso, "PT", 2) != 0) return std::nullopt;
  const char* p = iso + 2;
  const char* end = p + std::strlen(p);
  double seconds = 0;
  while (p < end) {
    double v = 0;
    const auto res = std::from_chars(p, end, v);
    if (res.ec != std::errc() || res.ptr == end || !std::isfinite(v)) return std::nullopt;
    const char unit = *res.ptr;
    seconds += v * (unit == 'H' ? 3600 : unit == 'M' ? 60 : unit == 'S' ? 1 : NAN);
    p = res.ptr + 1;
  }
  if (!std::isfinite(seconds)) return std::nullopt;
  return DateText(seconds / 86400.0, false, true, false, elapsed);
}

// The number formats of the cell styles: whether a date cell shows its date,
// its time or both, as the .xlsx reader decides from a cell's number format.
class StyleBook {
 public:
  void start(const char* name, const char** attrs) {
    if (Is(name, "date-style") || Is(name, "time-style")) {
      const char* n = Attr(attrs, "name");
      current_ = n ? n : "";
      // A time style that does not truncate on overflow shows elapsed time ([HH]:MM:SS).
      const bool elapsed = Is(name, "time-style") && Is(Attr(attrs, "truncate-on-overflow"), "false");
      dataKinds_[current_] = Is(name, "date-style") ? 1 : elapsed ? 2 | kElapsed : 2;
    } else if (!current_.empty() && (Is(name, "hours") || Is(name, "minutes") || Is(name, "seconds"))) {
      dataKinds_[current_] |= 2;
    } else if (Is(name, "style") && Is(Attr(attrs, "family"), "table-cell")) {
      const char* n = Attr(attrs, "name");
      const char* data = Attr(attrs, "data-style-name");
      const char* parent = Attr(attrs, "parent-style-name");
      if (n) cellStyles_[n] = {data ? data : "", parent ? parent : ""};
    }
  }
  void end(const char* name) {
    if (Is(name, "date-style") || Is(name, "time-style")) current_.clear();
  }
  // 0 plain (or not known), 1 date, 2 time, 3 date and time, with kElapsed
  // as FormatDateKind gives it.
  int kindOf(const std::string& cellStyle) const {
    std::string s = cellStyle;
    for (int depth = 0; depth < 8 && !s.empty(); ++depth) {  // parents, with a bound against loops
      auto it = cellStyles_.find(s);
      if (it == cellStyles_.end()) return 0;
      if (!it->second.first.empty()) {
        auto kind = dataKinds_.find(it->second.first);
        return kind == dataKinds_.end() ? 0 : kind->second;
      }
      s = it->second.second;
    }
    return 0;
  }

 private:
  std::map<std::string, int> dataKinds_;
  std::map<std::string, std::pair<std::string, std::string>> cellStyles_;  // data style, parent
  std::string current_;
};

class StylesPart : public XmlPart {
 public:
  explicit StylesPart(StyleBook& book) : book_(book) {}

 protected:
  void start(const char* name, const char** attrs) override { book_.start(name, attrs); }
  void end(const char* name) override { book_.end(name); }

 private:
  StyleBook& book_;
};

// What a cell's start tag says about its value.
struct CellStart {
  std::string valueType, value, dateValue, timeValue, booleanValue, stringValue, style;
  bool error = false;    // a formula error, its text in the paragraphs
  bool formula = false;
  bool covered = false;  // hidden by a merged cell: a position, no value
  std::uint64_t repeat = 1;
};

void ReadCellStart(const char* name, const char** attrs, CellStart& c) {
  c = CellStart();
  c.covered = Is(name, "covered-table-cell");
  c.repeat = RepeatOf(Attr(attrs, "number-columns-repeated"));
  for (int i = 0; attrs[i]; i += 2) {
    const char* key = Local(attrs[i]);
    const char* v = attrs[i + 1];
    const bool calc = std::strncmp(attrs[i], "calcext:", 8) == 0;
    if (Is(key, "value-type")) {
      if (calc) c.error = Is(v, "error");
      else c.valueType = v;
    } else if (Is(key, "value")) c.value = v;
    else if (Is(key, "date-value")) c.dateValue = v;
    else if (Is(key, "time-value")) c.timeValue = v;
    else if (Is(key, "boolean-value")) c.booleanValue = v;
    else if (Is(key, "string-value")) c.stringValue = v;
    else if (Is(key, "style-name")) c.style = v;
    else if (Is(key, "formula")) c.formula = true;
  }
}


// content.xml: the sheet names, the automatic cell styles, and the rows of
// one sheet.
class ContentPart : public XmlPart {
 public:
  static constexpr std::size_t kListOnly = static_cast<std::size_t>(-1);

  // Rows of sheet `target` go to `sink`; kListOnly only lists the sheets and
  // collects the styles.
  ContentPart(StyleBook& styles, std::size_t target, const RowSink* sink, Progress* progress)
      : styles_(styles), target_(target), sink_(sink), progress_(progress) {}

  std::vector<std::string> names;
  std::uint64_t formulasWithoutResult = 0;
  // How many bytes of text repeated cells may add (ExpansionLimit of the
  // stored content, which `storedBytes` is).
  std::uint64_t expansionLimit = ~std::uint64_t(0);
  std::uint64_t storedBytes = 0;

 protected:
  void start(const char* name, const char** attrs) override {
    ++depth_;
    if (Is(name, "table")) {
      startTable(attrs);
    } else if (target_ == kListOnly) {
      if (styleDepth_) styles_.start(name, attrs);
      else if (Is(name, "automatic-styles")) styleDepth_ = depth_;
    } else if (active_ && tables_ == 1) {
      startInSheet(name, attrs);
    }
  }

  void end(const char* name) override {
    if (Is(name, "table")) {
      if (--tables_ == 0 && active_) stop();
    } else if (target_ == kListOnly) {
      if (styleDepth_ == depth_) styleDepth_ = 0;
      else if (styleDepth_) styles_.end(name);
    } else if (active_ && tables_ == 1) {
      endInSheet(name);
    }
    --depth_;
  }

 private:
  void startTable(const char** attrs) {
    if (tables_++ > 0) return;  // a table inside a sheet is not a sheet
    const char* n = Attr(attrs, "name");
    names.push_back(n ? n : "");
    active_ = names.size() - 1 == target_;
  }

  void startInSheet(const char* name, const char** attrs) {
    if (cellDepth_) {
      startInCell(name, attrs);
    } else if (Is(name, "table-row")) {
      rowRepeat_ = RepeatOf(Attr(attrs, "number-rows-repeated"));
      const char* style = Attr(attrs, "default-cell-style-name");
      rowStyle_ = style ? style : "";
      cells_.clear();
      col_ = 0;
      rowText_ = 0;
      nonEmpty_ = false;
      inRow_ = true;
    } else if (inRow_ && (Is(name, "table-cell") || Is(name, "covered-table-cell"))) {
      ReadCellStart(name, attrs, cell_);
      cellDepth_ = depth_;
      paragraphs_ = 0;
      text_.clear();
    } else if (Is(name, "table-column")) {
      const std::uint64_t repeat = RepeatOf(Attr(attrs, "number-columns-repeated"));
      const char* style = Attr(attrs, "default-cell-style-name");
      if (style && columnStyles_.size() < kMaxColumns) columnStyles_.push_back({columns_, columns_ + repeat, style});
      columns_ += repeat;
    }
  }

  // Paragraphs that are the cell's own children make its text; shapes and
  // comments anchored to the cell hold paragraphs of their own, skipped.
  void startInCell(const char* name, const char** attrs) {
    if (skipDepth_) return;
    if (!pDepth_) {
      if (depth_ == cellDepth_ + 1 && Is(name, "p")) {
        if (paragraphs_++ > 0) appendText("\n", 1);
        pDepth_ = depth_;
        capture_ = true;
      }
      return;
    }
    if (Is(name, "s")) {
      appendText(nullptr, RepeatOf(Attr(attrs, "c")));
    } else if (Is(name, "tab")) {
      appendText("\t", 1);
    } else if (Is(name, "line-break")) {
      appendText("\n", 1);
    } else if (Is(name, "annotation") || Is(name, "note") || Is(name, "frame")) {
      skipDepth_ = depth_;
      capture_ = false;
    }
  }

  void endInSheet(const char* name) {
    if (cellDepth_) {
      if (depth_ == skipDepth_) {
        skipDepth_ = 0;
        capture_ = pDepth_ != 0;
      } else if (depth_ == pDepth_) {
        pDepth_ = 0;
        capture_ = false;
      } else if (depth_ == cellDepth_) {
        cellDepth_ = 0;
        finishCell();
      }
    } else if (inRow_ && Is(name, "table-row")) {
      inRow_ = false;
      finishRow();
    }
  }

  // Appends `n` bytes of `s`, or `n` spaces when `s` is null.
  void appendText(const char* s, std::uint64_t n) {
    if (text_.size() + n > kMaxText)
      throw Error("工作簿已损坏：单元格文本超过 " + std::to_string(kMaxText) + " 字节");
    if (s) text_.append(s, static_cast<std::size_t>(n));
    else text_.append(static_cast<std::size_t>(n), ' ');
  }

  std::string where() const {
    return "工作表“" + names.back() + "”第 " + std::to_string(row_ + 1) + " 行";
  }

  int dateKind() const {
    if (!cell_.style.empty()) return styles_.kindOf(cell_.style);
    if (!rowStyle_.empty()) return styles_.kindOf(rowStyle_);
    // Runs are in column order: the last one starting at or before col_.
    auto it = std::upper_bound(columnStyles_.begin(), columnStyles_.end(), col_,
                               [](std::uint64_t c, const ColumnStyle& run) { return c < run.first; });
    if (it == columnStyles_.begin() || col_ >= std::prev(it)->last) return 0;
    return styles_.kindOf(std::prev(it)->style);
  }

  Cell valueOf();
  void finishCell();
  void finishRow();
  void addRepeats(std::uint64_t count, std::uint64_t cells, std::uint64_t bytes);

  struct ColumnStyle {
    std::uint64_t first, last;
    std::string style;
  };

  StyleBook& styles_;
  const std::size_t target_;
  const RowSink* sink_;
  Progress* progress_;
  int depth_ = 0, styleDepth_ = 0, tables_ = 0;
  int cellDepth_ = 0, pDepth_ = 0, skipDepth_ = 0;
  bool active_ = false, inRow_ = false, nonEmpty_ = false;
  std::uint64_t row_ = 0, rowRepeat_ = 1, col_ = 0, columns_ = 0, rowsSent_ = 0;
  std::uint64_t rowText_ = 0;                            // text bytes in cells_
  std::uint64_t repeatedCells_ = 0, repeatedBytes_ = 0;  // what repeats added so far
  std::string rowStyle_;
  std::vector<ColumnStyle> columnStyles_;
  CellStart cell_;
  int paragraphs_ = 0;
  std::vector<Cell> cells_;
};

Cell ContentPart::valueOf() {
  Cell out;
  const CellStart& c = cell_;
  const std::string& type = c.valueType;
  auto text = [&](const std::string& t) {
    if (!t.empty()) {
      out.kind = Cell::Kind::Text;
      out.text = t;
    }
  };
  if (c.covered) return out;
  if (c.error) {  // a formula error keeps its text ("#DIV/0!", "#N/A")
    text(text_);
  } else if ((type == "float" || type == "percentage" || type == "currency") && !c.value.empty()) {
    std::optional<double> v = ParseNumber(c.value);
    if (!v) throw Error(where() + "第 " + std::to_string(col_ + 1) + " 列：数值“" + c.value + "”无效");
    out.kind = Cell::Kind::Number;
    out.number = *v;
  } else if (type == "date" && !c.dateValue.empty()) {
    text(IsoDateText(c.dateValue, dateKind()));
  } else if (type == "time" && !c.timeValue.empty()) {
    text(DurationText(c.timeValue.c_str(), dateKind() & kElapsed).value_or(c.timeValue));
  } else if (type == "boolean" && !c.booleanValue.empty()) {
    out.kind = Cell::Kind::Boolean;
    out.number = c.booleanValue == "true" || c.booleanValue == "1" ? 1 : 0;
  } else if (type == "string") {
    text(c.stringValue.empty() ? text_ : c.stringValue);
  } else if (!text_.empty()) {
    text(text_);
  } else if (c.formula) {
    ++formulasWithoutResult;
  }
  return out;
}

void ContentPart::finishCell() {
  capture_ = false;
  Cell cell = valueOf();
  text_.clear();
  const std::uint64_t repeat = cell_.repeat;
  if (cell.kind == Cell::Kind::Empty) {  // only moves the position
    col_ = std::min(col_ + repeat, kMaxRepeat * 2);
    return;
  }
  if (col_ + repeat > kMaxColumns)
    throw Error(where() + "超过 " + std::to_string(kMaxColumns) + " 列（工作簿已损坏或不是普通表格）");
  addRepeats(repeat - 1, 1, cell.text.size());
  rowText_ += repeat * cell.text.size();
  cells_.resize(static_cast<std::size_t>(col_ + repeat));
  for (std::uint64_t k = 0; k < repeat; ++k) cells_[static_cast<std::size_t>(col_ + k)] = cell;
  col_ += repeat;
  nonEmpty_ = true;
}

void ContentPart::finishRow() {
  if (!nonEmpty_) {
    row_ += rowRepeat_;
    return;
  }
  if (row_ + rowRepeat_ > kMaxRows)
    throw Error(where() + "起超过 " + std::to_string(kMaxRows) + " 行（工作簿已损坏或不是普通表格）");
  addRepeats(rowRepeat_ - 1, cells_.size(), rowText_);
  for (std::uint64_t k = 0; k < rowRepeat_; ++k) {
    if (progress_ && ++rowsSent_ % kCancelEvery == 0) progress_->checkCancelled();
    if (!(*sink_)(static_cast<std::uint32_t>(row_ + k), cells_)) {
      stop();
      return;
    }
  }
  row_ += rowRepeat_;
}

// Counts `count` copies of a run of `cells` cells holding `bytes` bytes of
// text, made by a repeat; refuses the sheet before they are made when that
// passes either limit.
void ContentPart::addRepeats(std::uint64_t count, std::uint64_t cells, std::uint64_t bytes) {
  auto over = [&](std::uint64_t used, std::uint64_t each, std::uint64_t limit) {
    return each > 0 && count > (limit - std::min(used, limit)) / each;
  };
  if (over(repeatedCells_, cells, kMaxRepeatedCells))
    throw Error(where() + "起：重复的行和单元格展开后超过 " + std::to_string(kMaxRepeatedCells) +
                " 个单元格（工作簿已损坏或不是普通表格）");
  if (over(repeatedBytes_, bytes, expansionLimit))
    throw Error(ExpansionMessage("工作表“" + names.back() + "”中重复单元格的文本", expansionLimit, storedBytes));
  repeatedCells_ += count * cells;
  repeatedBytes_ += count * bytes;
}

// META-INF/manifest.xml: whether any part is stored encrypted (a password
// protected document lists <manifest:encryption-data> for its parts).
class ManifestPart : public XmlPart {
 public:
  bool encrypted = false;

 protected:
  void start(const char* name, const char**) override {
    if (Is(name, "encryption-data")) {
      encrypted = true;
      stop();
    }
  }
  void end(const char*) override {}
};

class OdsReader : public WorkbookReader {
 public:
  explicit OdsReader(const std::string& path) : zip_(path) {
    if (zip_.has("META-INF/manifest.xml")) {
      // Only asked whether the parts are encrypted: a damaged manifest does
      // not stop a readable workbook.
      ManifestPart manifest;
      try {
        zip_.parse("META-INF/manifest.xml", manifest);
      } catch (const Error&) {
      }
      if (manifest.encrypted) throw Error("工作簿已加密（受密码保护），无法读取：" + path);
    }
    if (!zip_.has(kContent)) throw Error("OpenDocument 电子表格已损坏（缺少 content.xml）：" + path);
    if (zip_.has("styles.xml")) {
      StylesPart named(styles_);
      zip_.parse("styles.xml", named);
    }
    ContentPart list(styles_, ContentPart::kListOnly, nullptr, nullptr);
    zip_.parse(kContent, list);
    names_ = std::move(list.names);
  }

  const std::vector<std::string>& sheetNames() const override { return names_; }

  SheetFacts readSheet(std::size_t index, const RowSink& sink, bool headerOnly) override {
    if (index >= names_.size()) throw Error("工作表序号超出范围");
    Progress* progress = headerOnly ? nullptr : CurrentLoadProgress();
    ContentPart part(styles_, index, &sink, progress);
    part.storedBytes = zip_.storedSize(kContent);
    part.expansionLimit = ExpansionLimit(part.storedBytes);
    zip_.parse(kContent, part, progress);
    SheetFacts facts;
    facts.formulasWithoutResult = part.formulasWithoutResult;
    return facts;
  }

 private:
  Zip zip_;
  StyleBook styles_;
  std::vector<std::string> names_;
};

}  // namespace

std::unique_ptr<WorkbookReader> OpenOds(const std::string& path) { return std::make_unique<OdsReader>(path); }

}  // namespace tessaro::source
