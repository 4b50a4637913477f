#include "source/Provider.h"

#include <algorithm>
#include <cstring>

#include "common/Text.h"

namespace tessaro {

static_assert(sizeof(Value) == 16, "a result cell is 16 bytes");

namespace {

std::uint32_t TextLength(std::size_t size) {
  if (size > UINT32_MAX) throw Error("单元格文本过长：" + std::to_string(size) + " 字节");
  return static_cast<std::uint32_t>(size);
}

// Text storage chunks: the first is small (most results are), later ones grow
// to kMaxChunk; a text longer than a quarter chunk gets a chunk of its own.
constexpr std::size_t kFirstChunk = 4096;
constexpr std::size_t kMaxChunk = std::size_t(1) << 20;

}  // namespace

Value::Value(const Value& other) : i_(other.i_), len_(other.len_), kind_(other.kind_) { copyFrom(other); }

Value::Value(Value&& other) noexcept : i_(other.i_), len_(other.len_), kind_(other.kind_), owned_(other.owned_) {
  other.owned_ = false;
  other.kind_ = Kind::Null;
  other.len_ = 0;
  other.i_ = 0;
}

Value& Value::operator=(const Value& other) {
  if (this != &other) {
    Value copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Value& Value::operator=(Value&& other) noexcept {
  if (this != &other) {
    release();
    i_ = other.i_;
    len_ = other.len_;
    kind_ = other.kind_;
    owned_ = other.owned_;
    other.owned_ = false;
    other.kind_ = Kind::Null;
    other.len_ = 0;
    other.i_ = 0;
  }
  return *this;
}

void Value::release() noexcept {
  if (owned_) delete[] const_cast<char*>(p_);
  owned_ = false;
}

// Called with the bits of `other` already copied: gives this Value its own
// copy of a text.
void Value::copyFrom(const Value& other) {
  owned_ = false;
  if (other.kind_ != Kind::Text || other.len_ == 0) return;
  char* buffer = new char[other.len_];
  std::memcpy(buffer, other.p_, other.len_);
  p_ = buffer;
  owned_ = true;
}

Value Value::View(const char* p, std::uint32_t len) noexcept {
  Value x;
  x.kind_ = Kind::Text;
  x.p_ = len ? p : nullptr;
  x.len_ = len;
  return x;
}

Value Value::Integer(std::int64_t v) {
  Value x;
  x.kind_ = Kind::Integer;
  x.i_ = v;
  return x;
}

Value Value::Real(double v) {
  Value x;
  x.kind_ = Kind::Real;
  x.d_ = v;
  return x;
}

Value Value::Text(std::string v) {
  Value x = View(v.data(), TextLength(v.size()));
  x.copyFrom(x);
  return x;
}

std::string Value::text() const {
  switch (kind_) {
    case Kind::Null: return {};
    case Kind::Integer: return std::to_string(i_);
    case Kind::Real: return NumberText(d_);
    case Kind::Text: return std::string(textRef());
  }
  return {};
}

std::optional<double> Value::number() const {
  switch (kind_) {
    case Kind::Null: return std::nullopt;
    case Kind::Integer: return static_cast<double>(i_);
    case Kind::Real: return d_;
    case Kind::Text: return ParseNumber(Trim(textRef()));
  }
  return std::nullopt;
}

RecordSet::RecordSet(std::vector<std::string> fieldNames) : names_(std::move(fieldNames)) {}

RecordSet::RecordSet(std::vector<std::string> fieldNames, std::vector<Value> cells)
    : names_(std::move(fieldNames)) {
  for (const Value& v : cells) append(v);
}

RecordSet::RecordSet(const RecordSet& other) : names_(other.names_) {
  for (std::size_t k = 0; k < other.cells_; ++k) append(other.cell(k));
  pos_ = other.pos_;
}

RecordSet::RecordSet(RecordSet&& other) noexcept
    : names_(std::move(other.names_)),
      blocks_(std::move(other.blocks_)),
      chunks_(std::move(other.chunks_)),
      free_(other.free_),
      freeSize_(other.freeSize_),
      nextChunk_(other.nextChunk_),
      cells_(other.cells_),
      rows_(other.rows_),
      pos_(other.pos_) {
  other.close();
}

RecordSet& RecordSet::operator=(const RecordSet& other) {
  if (this != &other) {
    RecordSet copy(other);
    swap(copy);
  }
  return *this;
}

RecordSet& RecordSet::operator=(RecordSet&& other) noexcept {
  if (this != &other) {
    RecordSet moved(std::move(other));
    swap(moved);
  }
  return *this;
}

void RecordSet::swap(RecordSet& other) noexcept {
  using std::swap;
  swap(names_, other.names_);
  swap(blocks_, other.blocks_);
  swap(chunks_, other.chunks_);
  swap(free_, other.free_);
  swap(freeSize_, other.freeSize_);
  swap(nextChunk_, other.nextChunk_);
  swap(cells_, other.cells_);
  swap(rows_, other.rows_);
  swap(pos_, other.pos_);
}

const std::string& RecordSet::fieldName(int index) const {
  if (index < 0 || index >= fieldCount()) throw Error("字段序号超出范围：" + std::to_string(index));
  return names_[static_cast<std::size_t>(index)];
}

const Value& RecordSet::value(int index) const {
  if (eof()) throw Error("已到记录末尾");
  return at(pos_, index);
}

const Value& RecordSet::at(std::size_t row, int index) const {
  if (index < 0 || index >= fieldCount() || row >= rows_)
    throw Error("字段序号超出范围：" + std::to_string(index));
  const std::size_t inBlock = row & ((std::size_t(1) << kRowShift) - 1);
  return blocks_[row >> kRowShift][inBlock * names_.size() + static_cast<std::size_t>(index)];
}

const Value& RecordSet::cell(std::size_t index) const {
  const std::size_t perBlock = names_.size() << kRowShift;
  return blocks_[index / perBlock][index % perBlock];
}

void RecordSet::close() {
  names_.clear();
  blocks_.clear();
  chunks_.clear();
  free_ = nullptr;
  freeSize_ = 0;
  nextChunk_ = 0;
  cells_ = rows_ = pos_ = 0;
}

const char* RecordSet::store(std::string_view text) {
  if (text.empty()) return nullptr;
  if (text.size() > freeSize_) {
    if (nextChunk_ == 0) nextChunk_ = kFirstChunk;
    if (text.size() > nextChunk_ / 4) {
      // A chunk of its own; the room left in the current chunk stays usable.
      chunks_.emplace_back(new char[text.size()]);
      std::memcpy(chunks_.back().get(), text.data(), text.size());
      return chunks_.back().get();
    }
    chunks_.emplace_back(new char[nextChunk_]);
    free_ = chunks_.back().get();
    freeSize_ = nextChunk_;
    nextChunk_ = std::min(nextChunk_ * 2, kMaxChunk);
  }
  char* p = free_;
  std::memcpy(p, text.data(), text.size());
  free_ += text.size();
  freeSize_ -= text.size();
  return p;
}

void RecordSet::push(Value v) {
  const std::size_t n = names_.size();
  if (n == 0) return;
  const std::size_t perBlock = n << kRowShift;
  if (blocks_.empty() || blocks_.back().size() == perBlock) {
    // The first block grows as needed (most results are small); later ones
    // are taken whole, so a block never moves once filled.
    blocks_.emplace_back();
    if (blocks_.size() > 1) blocks_.back().reserve(perBlock);
  }
  blocks_.back().push_back(std::move(v));
  ++cells_;
  rows_ = cells_ / n;
}

void RecordSet::appendNull() { push(Value()); }
void RecordSet::appendInteger(std::int64_t v) { push(Value::Integer(v)); }
void RecordSet::appendReal(double v) { push(Value::Real(v)); }

void RecordSet::appendText(std::string_view text) {
  if (names_.empty()) return;
  const std::uint32_t len = TextLength(text.size());
  push(Value::View(store(text), len));
}

void RecordSet::setText(std::size_t row, int field, std::string_view text) {
  if (row >= rows_ || field < 0 || field >= fieldCount()) throw Error("结果中没有该单元格");
  const std::uint32_t len = TextLength(text.size());
  const std::size_t index = row * names_.size() + static_cast<std::size_t>(field);
  const std::size_t perBlock = names_.size() << kRowShift;
  blocks_[index / perBlock][index % perBlock] = Value::View(store(text), len);
}

void RecordSet::append(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null: appendNull(); break;
    case Value::Kind::Integer: appendInteger(v.integer()); break;
    case Value::Kind::Real: appendReal(v.real()); break;
    case Value::Kind::Text: appendText(v.textRef()); break;
  }
}

std::string ConnectionString(const std::string& workbookPath) {
  return "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + workbookPath +
         ";Extended Properties='Excel 12.0 Xml;HDR=yes;IMEX=1'";
}

std::string BracketName(const std::string& name) {
  if (name.find(']') == std::string::npos) return "[" + name + "]";
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

}  // namespace tessaro
