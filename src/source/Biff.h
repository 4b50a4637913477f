#pragma once
// The record layer of .xls workbooks (BIFF5 and BIFF8): records and their
// CONTINUE records, the strings inside them, and the shared string table.
// Only src/source/ includes this header.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "source/CompoundFile.h"

namespace tessaro::source::biff {

// Record types.
enum : std::uint16_t {
  kFormula = 0x0006,
  kFormula3 = 0x0206,  // the FORMULA ids of Excel 3 and 4, which some writers
  kFormula4 = 0x0406,  // still put in BIFF8 files with the later layout
  kEof = 0x000A,
  kDateMode = 0x0022,
  kFilePass = 0x002F,
  kContinue = 0x003C,
  kCodePage = 0x0042,
  kBoundSheet = 0x0085,
  kMulRk = 0x00BD,
  kMulBlank = 0x00BE,
  kRString = 0x00D6,
  kXf = 0x00E0,
  kSst = 0x00FC,
  kLabelSst = 0x00FD,
  kDimensions = 0x0200,
  kBlank = 0x0201,
  kNumber = 0x0203,
  kLabel = 0x0204,
  kBoolErr = 0x0205,
  kString = 0x0207,
  kArray = 0x0221,
  kTable = 0x0236,
  kRk = 0x027E,
  kFormat = 0x041E,
  kShrFmla = 0x04BC,
  kBof = 0x0809,
  kBof2 = 0x0009,  // the BOF of Excel 2.x, 3.0 and 4.0 workbooks
  kBof3 = 0x0209,
  kBof4 = 0x0409,
};

// "Excel 2.x", "Excel 3.0" or "Excel 4.0" for the BOF record type of those
// versions; null for another type.
const char* OldExcelVersion(std::uint16_t bofType);
// What a workbook of such a version is told: which version it is, and to
// save it as .xlsx.
std::string OldExcelMessage(const char* version);

inline std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
double F64(const std::uint8_t* p);
// Whether a BIFF8 formula (its parsed tokens) ends in an operation that
// gives text: a concatenation, a text constant or a text function (LEFT,
// MID, UPPER, TEXT, CONCATENATE, ...). False when the tokens say nothing
// certain (references, IF, shared formulas, damaged tokens).
bool FormulaGivesText(const std::uint8_t* tokens, std::size_t n);

// An RK number: a 30-bit integer or the top 30 bits of a double, either
// possibly divided by 100.
double RkNumber(std::uint32_t rk);

// Appends UTF-16 code units as UTF-8; an unpaired surrogate becomes U+FFFD.
void AppendUtf16(std::string& out, const std::u16string& units);

struct Record {
  std::uint16_t type = 0;
  std::uint16_t size = 0;
  std::uint64_t offset = 0;  // of the data, after the 4-byte header
};

// Walks the records of a stream from a position.
class Records {
 public:
  Records(CompoundStream& stream, std::uint64_t position) : stream_(&stream), pos_(position) {}
  // The next record; false at the end of the stream. Throws Error when the
  // record's data reaches past the end.
  bool next(Record& r);
  bool peek(Record& r);
  const std::uint8_t* data(const Record& r) { return stream_->view(r.offset, r.size); }
  std::uint64_t position() const { return pos_; }

 private:
  CompoundStream* stream_;
  std::uint64_t pos_;
};

// A record and the CONTINUE records after it, read as one run of bytes
// (consuming those CONTINUE records from `records`). Characters of a string
// that cross into a CONTINUE record are preceded there by a new flag byte
// telling whether they are one byte or two. Throws Error when the bytes run
// out.
class ContinuedData {
 public:
  ContinuedData(Records& records, const Record& first);
  // Whether any byte is left, here or in a following CONTINUE record.
  bool more();
  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  void skip(std::uint64_t n);
  // `count` characters, one byte each (Latin-1) or UTF-16 (`wide`).
  void chars(std::size_t count, bool wide, std::u16string& out);
  // An unformatted-or-rich BIFF8 string (count, flags, optional run and
  // extension sizes, characters, runs, extension) as UTF-8.
  void richString(std::string& out, std::u16string& scratch);

 private:
  void load(const Record& r);
  void advance();
  Records* records_;
  std::vector<std::uint8_t> seg_;
  std::size_t pos_ = 0;
};

// A BIFF8 string inside one record: a count of `countBytes` (1 or 2), a flag
// byte, the characters. Nothing when it runs past the `n` bytes at `p`.
std::optional<std::string> Biff8Text(const std::uint8_t* p, std::size_t n, std::size_t countBytes);
// A BIFF5 string inside one record: a count of `countBytes`, then bytes in
// the workbook's code page (returned undecoded).
std::optional<std::string> Biff5Bytes(const std::uint8_t* p, std::size_t n, std::size_t countBytes);

// The shared string table, decoded only as far as the cells ask for it. The
// strings live in one buffer, so even a table of many empty strings costs a
// few bytes per string, in proportion to the bytes the file holds.
class SharedStrings {
 public:
  SharedStrings() = default;
  SharedStrings(const SharedStrings&) = delete;
  SharedStrings& operator=(const SharedStrings&) = delete;
  // The table starts with the SST record at `position` in `stream`.
  void locate(CompoundStream& stream, std::uint64_t position);
  // The string at `index`; nothing when the table holds fewer strings.
  // Throws Error when the table is damaged before that string.
  std::optional<std::string_view> at(std::uint32_t index);
  // How many strings have been read so far (all of them once at() said nothing).
  std::size_t count() const { return ends_.size(); }

 private:
  void start();
  CompoundStream* stream_ = nullptr;
  std::uint64_t position_ = 0;
  std::optional<std::string> failure_;
  std::optional<Records> records_;
  std::optional<ContinuedData> data_;
  std::uint32_t declared_ = 0;
  std::string arena_;
  std::vector<std::size_t> ends_;
  std::u16string scratch_;
};

}  // namespace tessaro::source::biff
