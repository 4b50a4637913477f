// BIFF records, their strings and the shared string table.
#include "source/Biff.h"

#include <cstring>

#include "common/Encoding.h"

namespace tessaro::source::biff {
namespace {

const char kCutString[] = "工作簿已损坏：文本数据不完整";

}  // namespace

const char* OldExcelVersion(std::uint16_t bofType) {
  switch (bofType) {
    case kBof2: return "Excel 2.x";
    case kBof3: return "Excel 3.0";
    case kBof4: return "Excel 4.0";
    default: return nullptr;
  }
}

std::string OldExcelMessage(const char* version) {
  return std::string("这是 ") + version + " 的旧格式工作簿，本程序无法读取；请在 Excel 中打开后另存为 .xlsx";
}

double F64(const std::uint8_t* p) {
  const std::uint64_t bits = U32(p) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

double RkNumber(std::uint32_t rk) {
  double v;
  if (rk & 2) {
    v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&v, &bits, sizeof v);
  }
  return (rk & 1) ? v / 100 : v;
}

void AppendUtf16(std::string& out, const std::u16string& units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
}

namespace {

// The size of a token's operands after its first byte; -1 when unknown.
int TokenOperands(const std::uint8_t* t, std::size_t left) {
  const std::uint8_t id = t[0];
  if (id >= 0x03 && id <= 0x16) return 0;  // operators, parentheses, missing argument
  switch (id) {
    case 0x01: case 0x02: return 4;        // shared formula or table reference
    case 0x17:                             // text constant: count, flags, characters
      if (left < 3) return -1;
      return 2 + t[1] * ((t[2] & 1) ? 2 : 1);
    case 0x19:                             // attribute; a CHOOSE jump table is longer
      if (left < 4) return -1;
      return (t[1] & 0x04) ? 3 + 2 * (U16(t + 2) + 1) : 3;
    case 0x1C: case 0x1D: return 1;
    case 0x1E: return 2;
    case 0x1F: return 8;
    default: break;
  }
  if (id < 0x20 || id >= 0x80) return -1;
  static const int kClassified[32] = {7, 2, 3, 4, 4, 8, 6, 6, 6, 2, 4, 8, 4, 8, -1, -1,
                                      -1, -1, -1, -1, -1, -1, -1, -1, -1, 6, 6, 10, 6, 10, -1, -1};
  return kClassified[id & 0x1F];
}

bool TextFunction(std::uint16_t id) {
  switch (id) {
    case 13: case 14: case 30: case 31: case 48: case 111: case 112: case 113: case 114: case 115: case 116:
    case 118: case 119: case 120: case 130: case 162: case 336:
      return true;
    default: return false;
  }
}

}  // namespace

bool FormulaGivesText(const std::uint8_t* tokens, std::size_t n) {
  bool text = false;
  for (std::size_t at = 0; at < n;) {
    const int operands = TokenOperands(tokens + at, n - at);
    if (operands < 0 || at + 1 + static_cast<std::size_t>(operands) > n) return false;
    const std::uint8_t id = tokens[at];
    const std::uint8_t base = id >= 0x20 ? (id & 0x1F) | 0x20 : id;
    if (base == 0x21) text = TextFunction(U16(tokens + at + 1));
    else if (base == 0x22) text = TextFunction(U16(tokens + at + 2) & 0x7FFF);
    else if (id == 0x19) text = text && !(tokens[at + 1] & 0x10);  // a SUM attribute gives a number
    else if (id != 0x15) text = id == 0x08 || id == 0x17;           // parentheses keep the type
    at += 1 + static_cast<std::size_t>(operands);
  }
  return text;
}

bool Records::peek(Record& r) {
  if (pos_ > stream_->size() || stream_->size() - pos_ < 4) return false;
  const std::uint8_t* h = stream_->view(pos_, 4);
  r.type = U16(h);
  r.size = U16(h + 2);
  r.offset = pos_ + 4;
  if (r.size > stream_->size() - r.offset) throw Error("工作簿已损坏：记录超出数据流末尾");
  return true;
}

bool Records::next(Record& r) {
  if (!peek(r)) return false;
  pos_ = r.offset + r.size;
  return true;
}

ContinuedData::ContinuedData(Records& records, const Record& first) : records_(&records) { load(first); }

void ContinuedData::load(const Record& r) {
  const std::uint8_t* p = records_->data(r);
  seg_.assign(p, p + r.size);
  pos_ = 0;
}

void ContinuedData::advance() {
  Record r;
  if (!records_->peek(r) || r.type != kContinue) throw Error(kCutString);
  records_->next(r);
  load(r);
}

bool ContinuedData::more() {
  while (pos_ == seg_.size()) {
    Record r;
    if (!records_->peek(r) || r.type != kContinue) return false;
    advance();
  }
  return true;
}

std::uint8_t ContinuedData::u8() {
  while (pos_ == seg_.size()) advance();
  return seg_[pos_++];
}

std::uint16_t ContinuedData::u16() {
  const std::uint8_t lo = u8();
  return static_cast<std::uint16_t>(lo | (u8() << 8));
}

std::uint32_t ContinuedData::u32() {
  const std::uint16_t lo = u16();
  return lo | (static_cast<std::uint32_t>(u16()) << 16);
}

void ContinuedData::skip(std::uint64_t n) {
  while (n > 0) {
    while (pos_ == seg_.size()) advance();
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, seg_.size() - pos_));
    pos_ += take;
    n -= take;
  }
}

void ContinuedData::chars(std::size_t count, bool wide, std::u16string& out) {
  while (count > 0) {
    if (pos_ == seg_.size()) {
      advance();
      if (seg_.empty()) throw Error(kCutString);
      wide = seg_[pos_++] & 1;
      continue;
    }
    const std::size_t width = wide ? 2 : 1;
    const std::size_t take = std::min(count, (seg_.size() - pos_) / width);
    if (take == 0) throw Error(kCutString);  // half a character before the record ends
    const std::uint8_t* p = &seg_[pos_];
    if (wide) {
      for (std::size_t k = 0; k < take; ++k) out.push_back(static_cast<char16_t>(U16(p + 2 * k)));
    } else {
      out.append(p, p + take);
    }
    pos_ += take * width;
    count -= take;
  }
}

void ContinuedData::richString(std::string& out, std::u16string& scratch) {
  const std::uint16_t count = u16();
  const std::uint8_t flags = u8();
  const std::uint16_t runs = (flags & 0x08) ? u16() : 0;
  const std::uint32_t extension = (flags & 0x04) ? u32() : 0;
  scratch.clear();
  chars(count, flags & 1, scratch);
  skip(4ull * runs + extension);  // formatting runs and phonetic (Asian) data
  AppendUtf16(out, scratch);
}

std::optional<std::string> Biff8Text(const std::uint8_t* p, std::size_t n, std::size_t countBytes) {
  if (n < countBytes + 1) return std::nullopt;
  const std::size_t count = countBytes == 2 ? U16(p) : p[0];
  const bool wide = p[countBytes] & 1;
  p += countBytes + 1;
  n -= countBytes + 1;
  if (count * (wide ? 2 : 1) > n) return std::nullopt;
  std::string out;
  if (!wide) {
    for (std::size_t k = 0; k < count; ++k) AppendUtf8(out, p[k]);
    return out;
  }
  std::u16string units;
  units.reserve(count);
  for (std::size_t k = 0; k < count; ++k) units.push_back(static_cast<char16_t>(U16(p + 2 * k)));
  AppendUtf16(out, units);
  return out;
}

std::optional<std::string> Biff5Bytes(const std::uint8_t* p, std::size_t n, std::size_t countBytes) {
  if (n < countBytes) return std::nullopt;
  const std::size_t count = countBytes == 2 ? U16(p) : p[0];
  if (count > n - countBytes) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(p + countBytes), count);
}

void SharedStrings::locate(CompoundStream& stream, std::uint64_t position) {
  stream_ = &stream;
  position_ = position;
}

void SharedStrings::start() {
  records_.emplace(*stream_, position_);
  Record r;
  records_->next(r);
  data_.emplace(*records_, r);
  data_->skip(4);  // the count of cells that use the table
  declared_ = data_->u32();
}

std::optional<std::string_view> SharedStrings::at(std::uint32_t index) {
  if (failure_) throw Error(*failure_);
  try {
    if (stream_ && !data_) start();
    while (index >= ends_.size()) {
      // The declared count only stops the reading; it never reserves memory.
      if (!data_ || ends_.size() >= declared_ || !data_->more()) return std::nullopt;
      data_->richString(arena_, scratch_);
      ends_.push_back(arena_.size());
    }
  } catch (const Error& e) {
    failure_ = std::string(e.what()) + "（共享字符串表）";
    throw Error(*failure_);
  }
  const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(arena_).substr(begin, ends_[index] - begin);
}

}  // namespace tessaro::source::biff
