// .xls workbooks: BIFF8 (Excel 97 and later) and BIFF5 (Excel 5.0/95) inside
// a compound file.
//
// Opening reads the workbook globals: the sheet list with the offset of each
// sheet's records, the number formats (for dates), the date system, the code
// page of BIFF5 text and where the shared strings start. Reading a sheet
// walks its records from its BOF to its EOF; the shared strings are decoded
// only as far as the cells need them, once per workbook.
//
// Row order: BIFF keeps a sheet's cells row by row, but a script writer may
// not (xlwt writes rows in the order the script first wrote to them). Each
// read first checks the rows of the cell records in a quick pass over the
// records; rows in order are streamed with one row in memory, rows out of
// order are gathered and sorted by row first, which costs memory in
// proportion to the sheet's cells.
//
// Formula cells read as their stored result. A string result whose STRING
// record is missing has none. xlwt stores every formula's result as an empty
// string without computing it, while a program that computed the sheet
// stores real results; so an empty-string result counts as "no stored
// result" only in a sheet where no formula holds any other result. A number
// flagged for recalculation is still the stored number, but a number stored
// for a formula that can only give text (a concatenation, LEFT, TEXT, ...)
// is not a result: LibreOffice writes every text result so, as 0.
#include <algorithm>
#include <map>
#include <memory>
#include <new>

#include "common/Encoding.h"
#include "source/Biff.h"
#include "source/CompoundFile.h"
#include "source/Reader.h"

namespace tessaro::source {
namespace {

using namespace biff;

constexpr std::uint16_t kBiff8 = 0x0600, kBiff5 = 0x0500;
constexpr std::uint16_t kGlobals = 0x0005, kWorksheet = 0x0010, kMacroSheet = 0x0040;
constexpr std::uint8_t kModuleSheet = 0x06;  // the sheet type of a BOUNDSHEET for a Visual Basic module
constexpr std::uint32_t kMaxColumns = 256;
constexpr std::uint32_t kProgressEvery = 4096;  // records between progress reports

// What every sheet of a workbook shares.
struct Globals {
  CompoundStream stream;
  bool biff5 = false;
  bool date1904 = false;
  std::uint16_t codePage = 1252;
  std::vector<std::uint8_t> xfKinds;  // date kind (FormatDateKind) per cell format
  SharedStrings strings;
  std::unique_ptr<CodePageDecoder> decoder;  // BIFF5 text

  std::string text(const std::string& bytes) const { return decoder ? decoder->decode(bytes) : bytes; }
  // A string of a cell record: BIFF8 characters or BIFF5 bytes.
  std::optional<std::string> cellText(const std::uint8_t* p, std::size_t n, std::size_t countBytes) const {
    if (!biff5) return Biff8Text(p, n, countBytes);
    std::optional<std::string> bytes = Biff5Bytes(p, n, countBytes);
    if (bytes) *bytes = text(*bytes);
    return bytes;
  }
};

// The iconv name of a BIFF code page.
std::string CodePageName(std::uint16_t cp) {
  switch (cp) {
    case 367: return "ASCII";
    case 10000:
    case 32768: return "MACINTOSH";
    case 0:
    case 1200:  // Unicode: only BIFF8 text, which does not use the code page
    case 32769: return "CP1252";
    default: return "CP" + std::to_string(cp);
  }
}

// FORMULA records of the older ids read as FORMULA records.
std::uint16_t CellType(std::uint16_t type) {
  return type == kFormula3 || type == kFormula4 ? std::uint16_t{kFormula} : type;
}

bool IsCellRecord(std::uint16_t type) {
  switch (CellType(type)) {
    case kLabelSst: case kLabel: case kRString: case kNumber: case kRk: case kMulRk: case kBoolErr: case kFormula:
      return true;
    default: return false;
  }
}

std::string CellName(std::uint32_t row, std::uint32_t col) {
  std::string letters;
  if (col >= 26) letters.push_back(static_cast<char>('A' + col / 26 - 1));
  letters.push_back(static_cast<char>('A' + col % 26));
  return letters + std::to_string(row + 1);
}

// Hands cells to the sink row by row: streamed when the sheet stores its rows
// in order, otherwise gathered and sorted by row first (later cells at the
// same place replace earlier ones, as when streaming).
class Rows {
 public:
  Rows(const RowSink& sink, bool inOrder) : sink_(sink), inOrder_(inOrder) {}
  // A non-empty cell. False once the sink asked to stop.
  bool put(std::uint32_t row, std::uint32_t col, Cell&& cell) {
    if (!inOrder_) {
      gathered_.push_back({row, col, std::move(cell)});
      return true;
    }
    if (row != row_ && !flush()) return false;
    row_ = row;
    if (cells_.size() <= col) cells_.resize(col + 1);
    cells_[col] = std::move(cell);
    return true;
  }
  void finish() {
    if (!inOrder_) {
      std::stable_sort(gathered_.begin(), gathered_.end(), [](const Placed& a, const Placed& b) { return a.row < b.row; });
      inOrder_ = true;
      for (Placed& p : gathered_)
        if (!put(p.row, p.col, std::move(p.cell))) return;
    }
    flush();
  }

 private:
  struct Placed {
    std::uint32_t row, col;
    Cell cell;
  };
  bool flush() {
    if (cells_.empty()) return true;
    const bool more = sink_(row_, cells_);
    cells_.clear();
    return more;
  }
  const RowSink& sink_;
  bool inOrder_;
  std::uint32_t row_ = 0;
  std::vector<Cell> cells_;
  std::vector<Placed> gathered_;
};

// One reading of one sheet.
class SheetRead {
 public:
  SheetRead(Globals& g, std::uint64_t start, std::uint64_t end, Progress* progress)
      : g_(g), start_(start), end_(std::max(end, start + 1)), progress_(progress) {}

  SheetFacts run(const RowSink& sink) {
    if (progress_) progress_->setMaximum(1000);
    Rows rows(sink, inRowOrder());
    rows_ = &rows;
    walk([this](Records& records, const Record& r) { return record(records, r); }, true);
    if (pending_ && !stopped_) missingString();
    if (!stopped_) rows.finish();
    if (progress_) progress_->setValue(1000);
    facts_.formulasWithoutResult = missing_ + (computed_ == 0 ? emptyResults_ : 0);
    return facts_;
  }

 private:
  // Calls `each` for the records after the sheet's BOF up to its EOF,
  // skipping the substreams nested in it (embedded charts). A chart or
  // module sheet has no cells. Checks for cancellation, and with `report`
  // reports the share of the sheet's bytes read.
  template <class F>
  void walk(F each, bool report) {
    Records records(g_.stream, start_);
    Record r;
    if (!records.next(r) || r.type != kBof || r.size < 4) throw Error("工作簿已损坏：工作表的起始位置无效");
    const std::uint16_t kind = U16(records.data(r) + 2);
    if (kind != kWorksheet && kind != kMacroSheet) return;
    std::uint64_t depth = 0, count = 0;
    while (records.next(r)) {
      if (progress_ && ++count % kProgressEvery == 0) {
        if (report)
          progress_->setValue(std::min(1000.0, 1000.0 * static_cast<double>(records.position() - start_) /
                                                   static_cast<double>(end_ - start_)));
        progress_->checkCancelled();
      }
      if (r.type == kBof) {
        ++depth;
      } else if (r.type == kEof) {
        if (depth == 0) return;
        --depth;
      } else if (depth == 0 && !each(records, r)) {
        return;
      }
    }
    throw Error("工作簿已损坏：工作表数据不完整（缺少结束记录）");
  }

  bool inRowOrder() {
    bool inOrder = true;
    std::uint32_t last = 0;
    walk([&](Records& records, const Record& r) {
      if (!IsCellRecord(r.type) || r.size < 2) return true;
      const std::uint32_t row = U16(records.data(r));
      inOrder = row >= last;
      last = row;
      return inOrder;
    }, false);
    return inOrder;
  }

  bool record(Records& records, const Record& r) {
    if (pending_) {
      if (r.type == kString) {
        stringResult(records, r);
        return !stopped_;
      }
      if (r.type == kShrFmla || r.type == kArray || r.type == kTable) return true;
      missingString();
    }
    switch (CellType(r.type)) {
      case kDimensions: dimensions(records.data(r), r.size); break;
      case kLabelSst: case kLabel: case kRString: case kNumber: case kRk: case kMulRk: case kBoolErr:
      case kFormula: cell(CellType(r.type), records.data(r), r.size); break;
      default: break;  // blanks, row and layout records
    }
    return !stopped_;
  }

  void dimensions(const std::uint8_t* d, std::size_t n) {
    const std::size_t columns = n >= 14 ? U16(d + 10) : n >= 8 ? U16(d + 6) : 0;  // BIFF8 : BIFF5 layout
    facts_.declaredColumns = std::min<std::size_t>(columns, kMaxColumns);
  }

  void cell(std::uint16_t type, const std::uint8_t* d, std::size_t n) {
    if (n < 6) throw Error("工作簿已损坏：单元格记录太短");
    const std::uint32_t row = U16(d), col = U16(d + 2);
    const std::uint16_t xf = U16(d + 4);
    auto need = [&](std::size_t size) {
      if (n < size) bad(row, col, "单元格记录太短");
    };
    switch (type) {
      case kLabelSst: {
        need(10);
        const std::uint32_t index = U32(d + 6);
        std::optional<std::string_view> s = g_.strings.at(index);
        if (!s)
          bad(row, col, "共享字符串序号 " + std::to_string(index) + " 超出范围（共享字符串表只有 " +
                            std::to_string(g_.strings.count()) + " 个字符串）");
        // One long string used by every cell of a small file would take
        // gigabytes: the cells may take what the stream may expand to.
        expanded_ += s->size();
        if (expanded_ > ExpansionLimit(g_.stream.size()))
          throw Error(ExpansionMessage("工作表中的共享字符串", ExpansionLimit(g_.stream.size()), g_.stream.size()));
        return put(row, col, TextCell(std::string(*s)));
      }
      case kLabel:
      case kRString: {
        std::optional<std::string> s = g_.cellText(d + 6, n - 6, 2);
        if (!s) bad(row, col, "文本长度超出记录");
        return put(row, col, TextCell(std::move(*s)));
      }
      case kNumber: need(14); return put(row, col, NumberCell(F64(d + 6), xf));
      case kRk: need(10); return put(row, col, NumberCell(RkNumber(U32(d + 6)), xf));
      case kMulRk:
        need(12);
        for (std::size_t i = 0; i < (n - 6) / 6 && !stopped_; ++i)
          put(row, col + static_cast<std::uint32_t>(i), NumberCell(RkNumber(U32(d + 6 + 6 * i)), U16(d + 4 + 6 * i)));
        return;
      case kBoolErr: need(8); return put(row, col, d[7] ? TextCell(ErrorCellText(d[6])) : BooleanCell(d[6] != 0));
      case kFormula: {
        need(16);
        // A number stored for a formula that can only give text is not its
        // result (LibreOffice stores text results so, as 0).
        const std::size_t size = n >= 22 ? std::min<std::size_t>(U16(d + 20), n - 22) : 0;
        if (U16(d + 12) != 0xFFFF && !g_.biff5 && FormulaGivesText(size ? d + 22 : d, size)) {
          ++missing_;
          return;
        }
        return formula(row, col, xf, d + 6);
      }
      default: return;
    }
  }

  // The stored result of a FORMULA record: a number, or a marker 0xFFFF in
  // its top bytes with the kind in its first byte (0 text in a STRING record
  // that follows, 1 boolean, 2 error, 3 empty text).
  void formula(std::uint32_t row, std::uint32_t col, std::uint16_t xf, const std::uint8_t* v) {
    if (U16(v + 6) != 0xFFFF) {
      ++computed_;
      return put(row, col, NumberCell(F64(v), xf));
    }
    switch (v[0]) {
      case 0: pending_ = true; pendingRow_ = row; pendingCol_ = col; return;
      case 1: ++computed_; return put(row, col, BooleanCell(v[2] != 0));
      case 2: ++computed_; return put(row, col, TextCell(ErrorCellText(v[2])));
      case 3: ++emptyResults_; return;
      default: ++missing_; return;
    }
  }

  void stringResult(Records& records, const Record& r) {
    pending_ = false;
    ++computed_;
    std::string text;
    if (g_.biff5) {
      std::optional<std::string> s = g_.cellText(records.data(r), r.size, 2);
      if (!s) bad(pendingRow_, pendingCol_, "公式结果文本长度超出记录");
      text = std::move(*s);
    } else {
      ContinuedData data(records, r);
      const std::uint16_t count = data.u16();
      const bool wide = data.u8() & 1;
      std::u16string units;
      data.chars(count, wide, units);
      AppendUtf16(text, units);
    }
    put(pendingRow_, pendingCol_, TextCell(std::move(text)));
  }

  void missingString() {
    pending_ = false;
    ++missing_;
  }

  Cell NumberCell(double v, std::uint16_t xf) const {
    Cell c;
    const int kind = xf < g_.xfKinds.size() ? g_.xfKinds[xf] : 0;
    if (kind != 0) {
      c.kind = Cell::Kind::Text;
      c.text = DateText(v, kind & 1, kind & 2, g_.date1904, kind & kElapsed);
    } else {
      c.kind = Cell::Kind::Number;
      c.number = v;
    }
    return c;
  }
  static Cell TextCell(std::string text) {
    Cell c;
    c.kind = Cell::Kind::Text;
    c.text = std::move(text);
    return c;
  }
  static Cell BooleanCell(bool v) {
    Cell c;
    c.kind = Cell::Kind::Boolean;
    c.number = v ? 1 : 0;
    return c;
  }

  void put(std::uint32_t row, std::uint32_t col, Cell&& c) {
    if (col >= kMaxColumns) bad(row, col, "列号超出范围");
    if (c.kind == Cell::Kind::Empty || (c.kind == Cell::Kind::Text && c.text.empty())) return;
    if (!rows_->put(row, col, std::move(c))) stopped_ = true;
  }

  [[noreturn]] void bad(std::uint32_t row, std::uint32_t col, const std::string& what) const {
    throw Error("单元格 " + (col < kMaxColumns ? CellName(row, col) : "第 " + std::to_string(row + 1) + " 行") +
                "：" + what);
  }

  Globals& g_;
  std::uint64_t start_, end_;
  Progress* progress_;
  Rows* rows_ = nullptr;
  SheetFacts facts_;
  bool stopped_ = false;
  bool pending_ = false;  // a formula whose text result is in the next STRING record
  std::uint32_t pendingRow_ = 0, pendingCol_ = 0;
  std::uint64_t computed_ = 0, emptyResults_ = 0, missing_ = 0;
  std::uint64_t expanded_ = 0;  // bytes of shared strings given to cells
};

class XlsReader : public WorkbookReader {
 public:
  explicit XlsReader(const std::string& path) : file_(path) {
    try {
      if (file_.hasStream("Workbook")) g_.stream = file_.openStream("Workbook");
      else if (file_.hasStream("Book")) g_.stream = file_.openStream("Book");
      else if (file_.hasStream("EncryptionInfo")) throw Error("工作簿已加密（受密码保护），无法读取");
      else throw Error("不是 Excel 工作簿（复合文件中没有工作簿数据流）");
      readGlobals();
    } catch (const Error& e) {
      const std::string what = e.what();
      throw Error(what.find(path) == std::string::npos ? what + "：" + path : what);
    }
  }

  const std::vector<std::string>& sheetNames() const override { return names_; }

  SheetFacts readSheet(std::size_t index, const RowSink& sink, bool headerOnly) override {
    if (index >= names_.size()) throw Error("工作表序号超出范围");
    if (modules_[index]) return {};
    try {
      SheetRead read(g_, starts_[index], ends_[index], headerOnly ? nullptr : CurrentLoadProgress());
      return read.run(sink);
    } catch (const std::bad_alloc&) {
      throw Error("内存不足，无法读取工作表“" + names_[index] + "”");
    }
  }

 private:
  void readGlobals() {
    Records records(g_.stream, 0);
    Record r;
    if (!records.next(r) || r.size < 4) throw Error("工作簿已损坏（工作簿数据流为空）");
    if (r.type != kBof) {
      if (const char* version = OldExcelVersion(r.type)) throw Error(OldExcelMessage(version));
      throw Error("工作簿已损坏（工作簿数据流不以 BOF 记录开始）");
    }
    const std::uint8_t* d = records.data(r);
    if (U16(d) != kBiff8 && U16(d) != kBiff5)
      throw Error("不支持此版本的 .xls 工作簿（BIFF 版本 " + std::to_string(U16(d)) + "），请在 Excel 中另存为 .xlsx");
    if (U16(d + 2) != kGlobals) throw Error("工作簿已损坏（缺少工作簿全局记录）");
    g_.biff5 = U16(d) == kBiff5;
    bool ended = false;
    while (!ended && records.next(r)) ended = globalRecord(records, r);
    if (!ended) throw Error("工作簿已损坏（工作簿全局记录不完整）");
    globalsEnd_ = records.position();
    finishGlobals();
  }

  // One record of the globals; true at their end.
  bool globalRecord(Records& records, const Record& r) {
    switch (r.type) {
      case kEof: return true;
      case kFilePass: throw Error("工作簿已加密（受密码保护），无法读取");
      case kBof: throw Error("工作簿已损坏（工作簿全局记录不完整）");
      case kCodePage:
        if (r.size >= 2) g_.codePage = U16(records.data(r));
        return false;
      case kDateMode:
        if (r.size >= 2) g_.date1904 = U16(records.data(r)) != 0;
        return false;
      case kXf:
        if (r.size < 4) throw Error("工作簿已损坏（单元格格式记录太短）");
        xfFormats_.push_back(U16(records.data(r) + 2));
        return false;
      case kFormat: format(records.data(r), r.size); return false;
      case kBoundSheet: sheet(records.data(r), r.size); return false;
      case kSst:
        if (!sstSeen_) g_.strings.locate(g_.stream, r.offset - 4);
        sstSeen_ = true;
        return false;
      default: return false;
    }
  }

  // A FORMAT record: the number format's id and its code (BIFF5 codes stay
  // bytes until the code page is known). A malformed one is left out: the
  // cells that use it read as General numbers, the rest of the workbook as
  // it is.
  void format(const std::uint8_t* d, std::size_t n) {
    std::optional<std::string> code;
    if (n >= 2) code = g_.biff5 ? Biff5Bytes(d + 2, n - 2, 1) : Biff8Text(d + 2, n - 2, 2);
    if (n < 2) return;
    if (!code) {
      dropped_.push_back(U16(d));
      return;
    }
    formats_[U16(d)] = std::move(*code);
  }

  // A BOUNDSHEET record: where the sheet's records start, its kind, its name.
  void sheet(const std::uint8_t* d, std::size_t n) {
    std::optional<std::string> name;
    if (n >= 6) name = g_.biff5 ? Biff5Bytes(d + 6, n - 6, 1) : Biff8Text(d + 6, n - 6, 1);
    if (!name) throw Error("工作簿已损坏（工作表名称无效）");
    names_.push_back(std::move(*name));
    starts_.push_back(U32(d));
    modules_.push_back(d[5] == kModuleSheet);
  }

  // Each sheet's offset must point at a BOF of its own after the globals: not
  // the globals' BOF, not another sheet's, not past the stream. A module
  // (Visual Basic) sheet has no records here and reads as empty.
  void checkSheetStarts() {
    std::map<std::uint64_t, std::size_t> seen;
    for (std::size_t i = 0; i < starts_.size(); ++i) {
      if (modules_[i]) continue;
      const std::string where = "工作簿已损坏（工作表“" + names_[i] + "”";
      if (starts_[i] >= g_.stream.size()) throw Error(where + "的位置超出数据流）");
      auto [other, fresh] = seen.emplace(starts_[i], i);
      if (!fresh) throw Error(where + "与工作表“" + names_[other->second] + "”的位置相同）");
      Records records(g_.stream, starts_[i]);
      Record r;
      if (starts_[i] < globalsEnd_ || !records.next(r) || r.type != kBof || r.size < 4 ||
          U16(records.data(r) + 2) == kGlobals)
        throw Error(where + "的位置不是工作表的起始记录）");
    }
  }

  void finishGlobals() {
    if (g_.biff5) {
      g_.decoder = std::make_unique<CodePageDecoder>(CodePageName(g_.codePage).c_str());
      for (auto& name : names_) name = g_.text(name);
      for (auto& [id, code] : formats_) code = g_.text(code);
    }
    for (std::uint16_t id : dropped_) formats_.erase(id);
    for (std::uint16_t id : xfFormats_) {
      if (std::find(dropped_.begin(), dropped_.end(), id) != dropped_.end()) {
        g_.xfKinds.push_back(0);
        continue;
      }
      auto it = formats_.find(id);
      g_.xfKinds.push_back(static_cast<std::uint8_t>(FormatDateKind(id, it == formats_.end() ? nullptr : &it->second)));
    }
    checkSheetStarts();
    // A sheet's records end where the next sheet's begin (for progress).
    std::vector<std::uint64_t> sorted = starts_;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < starts_.size(); ++i) {
      auto next = std::upper_bound(sorted.begin(), sorted.end(), starts_[i]);
      ends_.push_back(next == sorted.end() ? g_.stream.size() : *next);
    }
  }

  CompoundFile file_;
  Globals g_;
  bool sstSeen_ = false;
  std::uint64_t globalsEnd_ = 0;
  std::vector<std::string> names_;
  std::vector<std::uint64_t> starts_, ends_;
  std::vector<bool> modules_;
  std::vector<std::uint16_t> dropped_;  // ids of malformed number formats
  std::vector<std::uint16_t> xfFormats_;
  std::map<int, std::string> formats_;
};

}  // namespace

std::unique_ptr<WorkbookReader> OpenXls(const std::string& path) {
  try {
    return std::make_unique<XlsReader>(path);
  } catch (const std::bad_alloc&) {
    throw Error("内存不足，无法打开工作簿：" + path);
  }
}

}  // namespace tessaro::source
