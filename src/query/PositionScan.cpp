#include "query/PositionScan.h"

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>

#include "common/Text.h"
#include "source/Reader.h"
#include "source/Sql.h"
#include "source/Workbook.h"

namespace tessaro {
namespace {

using source::Cell;
using source::StoredCell;

// Thrown inside the pass when the SQL text has to answer instead.
struct NotAnswered {};

std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// A cell as the engine holds it, its text viewed in the reader's cell.
struct Stored {
  StoredCell::Kind kind = StoredCell::Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string_view text;

  bool isNumber() const { return kind == StoredCell::Kind::Integer || kind == StoredCell::Kind::Real; }
  double number() const { return kind == StoredCell::Kind::Integer ? static_cast<double>(integer) : real; }
  // The value as the provider's functions read a number (blanks around a
  // text allowed).
  std::optional<double> numberOf() const {
    if (isNumber()) return number();
    if (kind == StoredCell::Kind::Text) return ParseNumber(Trim(text));
    return std::nullopt;
  }
  bool empty() const { return kind == StoredCell::Kind::Null || (kind == StoredCell::Kind::Text && Trim(text).empty()); }
  // [x]<>0: a text is never equal to a number; null is not true.
  bool notZero() const { return kind == StoredCell::Kind::Text || (isNumber() && number() != 0); }
  std::string textForm() const {
    switch (kind) {
      case StoredCell::Kind::Integer: return std::to_string(integer);
      case StoredCell::Kind::Real: return NumberText(real);
      case StoredCell::Kind::Text: return std::string(text);
      case StoredCell::Kind::Null: break;
    }
    return {};
  }
  void appendTo(RecordSet& rs) const {
    switch (kind) {
      case StoredCell::Kind::Null: rs.appendNull(); return;
      case StoredCell::Kind::Integer: rs.appendInteger(integer); return;
      case StoredCell::Kind::Real: rs.appendReal(real); return;
      case StoredCell::Kind::Text: rs.appendText(text); return;
    }
  }
  Value value() const {
    switch (kind) {
      case StoredCell::Kind::Integer: return Value::Integer(integer);
      case StoredCell::Kind::Real: return Value::Real(real);
      case StoredCell::Kind::Text: return Value::Text(std::string(text));
      case StoredCell::Kind::Null: break;
    }
    return Value();
  }
};

Stored StoredAt(const std::vector<Cell>& cells, std::size_t col) {
  if (col >= cells.size()) return {};
  const StoredCell s = source::StoredForm(cells[col]);
  Stored out{s.kind, s.integer, s.real, {}};
  if (s.kind == StoredCell::Kind::Text) out.text = cells[col].text;
  return out;
}

// `s` with its text (if any) copied into `storage`, for a value kept after
// the reader has moved on to the next row and reuses its cells.
Stored Owned(Stored s, std::string& storage) {
  if (s.kind == StoredCell::Kind::Text) {
    storage.assign(s.text);
    s.text = storage;
  }
  return s;
}

bool Usable(const Stored& lon, const Stored& lat) {
  const bool lonEmpty = lon.empty(), latEmpty = lat.empty();
  return CheckPosition(lonEmpty, lonEmpty ? std::nullopt : lon.numberOf(), latEmpty,
                       latEmpty ? std::nullopt : lat.numberOf()) == PositionFault::None;
}

// The sheet as the pass reads it: the header's column names, then the rows
// in strictly ascending sheet order (what the table's rowid order is).
class SheetPass {
 public:
  using Row = std::function<void(std::uint32_t row, const std::vector<Cell>& cells)>;

  // Column of a name as the engine resolves it (ASCII case-insensitive);
  // NotAnswered when the header has no such column.
  std::size_t column(const std::string& name) const {
    const std::string key = AsciiLower(name);
    for (std::size_t i = 0; i < names_.size(); ++i)
      if (AsciiLower(names_[i]) == key) return i;
    throw NotAnswered{};
  }
  const std::vector<std::string>& names() const { return names_; }

  // Reads the sheet; `header` runs once the names are known. False when the
  // sheet cannot be read this way.
  // Reading covers [from, to] of the reading share; the query phase begins
  // once the last sheet (to = 1) is read.
  bool run(const std::string& workbook, const std::string& sheet, const std::function<void()>& header, const Row& row,
           double from = 0, double to = 1) {
    Progress* progress = source::CurrentLoadProgress();
    if (progress) progress->beginPhase(Progress::Phase::Reading, 1000, from, to);
    bool first = true;
    std::int64_t previous = -1;
    const bool read = source::StreamSheet(source::WorkbookPathOf(ConnectionString(workbook)), sheet, [&](std::uint32_t r, const std::vector<Cell>& cells) {
      if (static_cast<std::int64_t>(r) <= previous) throw NotAnswered{};  // rowid order is not sheet order
      previous = r;
      if (first) {
        first = false;
        names_ = source::HeaderColumnNames(cells);
        for (const auto& n : names_) {
          const std::string l = AsciiLower(n);
          if (l == "rowid" || l == "_rowid_" || l == "oid" || source::RestoreFieldName(n) != n) throw NotAnswered{};
        }
        header();
        return true;
      }
      row(r, cells);
      return true;
    });
    if (!read) return false;
    if (first) throw NotAnswered{};  // an empty sheet: its one column is F1
    if (progress && to >= 1) progress->beginPhase(Progress::Phase::Query);
    return true;
  }

 private:
  std::vector<std::string> names_;
};

// A value's identity as the engine compares values for equality, in `=` and
// in grouping: numbers by value (a whole real is the integer it equals),
// texts byte for byte, null its own kind. `f` gets a tag and the identity's
// bytes (a text's length and bytes), so equal values give equal parts and
// unequal ones never do.
template <typename F>
void KeyParts(const Stored& s, F&& f) {
  std::int64_t whole = s.integer;
  switch (s.kind) {
    case StoredCell::Kind::Null: f('N', std::string_view()); return;
    case StoredCell::Kind::Text: f('T', s.text); return;
    case StoredCell::Kind::Real:
      if (s.real != s.real) throw NotAnswered{};  // NaN: no equality to keep
      if (!(std::floor(s.real) == s.real && s.real >= -9223372036854775808.0 && s.real < 9223372036854775808.0)) {
        f('R', std::string_view(reinterpret_cast<const char*>(&s.real), sizeof s.real));
        return;
      }
      whole = static_cast<std::int64_t>(s.real);
      break;
    case StoredCell::Kind::Integer: break;
  }
  f('I', std::string_view(reinterpret_cast<const char*>(&whole), sizeof whole));
}

// The value's identity appended to `key` as its tag and bytes (a text's
// length first).
void AppendKey(std::string& key, const Stored& s) {
  KeyParts(s, [&](char tag, std::string_view bytes) {
    key += tag;
    if (tag == 'T') {
      const std::uint64_t n = bytes.size();
      key.append(reinterpret_cast<const char*>(&n), sizeof n);
    }
    key.append(bytes);
  });
}

// A bijective 64-bit mix: every input bit reaches every output bit.
std::uint64_t Mix64(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// A 64-bit hash of values by their identity, the same for rows whose keys
// are equal, without spelling the key out.
std::uint64_t KeyHash(const std::vector<Stored>& row) {
  std::uint64_t h = 0;
  for (const Stored& s : row) {
    KeyParts(s, [&](char tag, std::string_view bytes) {
      std::uint64_t x = 0;
      if (tag == 'T') {
        x = std::hash<std::string_view>{}(bytes);
      } else if (!bytes.empty()) {
        std::memcpy(&x, bytes.data(), bytes.size());
      }
      h = Mix64(h ^ Mix64(x + static_cast<std::uint64_t>(tag)));
    });
  }
  return h;
}

// The groups of the grouped query, kept as the result rows themselves (first
// seen first: the order by the first sheet row of each group) with their
// sums beside them, found through an open-addressing table of row numbers.
class Groups {
 public:
  Groups(std::vector<std::string> fields, int keys) : rows_(std::move(fields)), keys_(keys) {
    slots_.assign(1024, 0);
  }

  // The group of a key (the values of fields 0, 1 and 3.. of a row) whose
  // KeyHash is `h`, made when new.
  std::size_t find(const std::vector<Stored>& key, std::uint64_t h) {
    const std::uint64_t tag = h >> 32;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) {
        const std::size_t g = add(key);
        slots_[i] = (tag << 32) | (g + 1);
        if (sums_.size() * 2 > slots_.size()) grow();
        return g;
      }
      if ((slot >> 32) == tag && equal((slot & 0xFFFFFFFFu) - 1, key)) return (slot & 0xFFFFFFFFu) - 1;
    }
  }

  // Loads the slot a key of hash `h` is looked up at first.
  void prefetchSlot(std::uint64_t h) const { __builtin_prefetch(&slots_[h & (slots_.size() - 1)]); }
  // Loads the group that slot names when its tag matches (the slot itself
  // loaded by now): the row compared with the key and its sum.
  void prefetchGroup(std::uint64_t h) const {
    const std::uint64_t slot = slots_[h & (slots_.size() - 1)];
    if (slot == 0 || (slot >> 32) != (h >> 32)) return;
    const std::size_t g = (slot & 0xFFFFFFFFu) - 1;
    __builtin_prefetch(&rows_.at(g, 0));
    __builtin_prefetch(&rows_.at(g, rows_.fieldCount() - 1));
    __builtin_prefetch(&sums_[g]);
  }

  void add(std::size_t group, double v) {
    Sum& s = sums_[group];
    source::NeumaierAdd(s.sum, s.compensation, v);
    ++s.count;
  }

  // The result: format(avg(...),'0') in field 2 of each row.
  RecordSet finish() {
    for (std::size_t g = 0; g < sums_.size(); ++g) {
      const Sum& s = sums_[g];
      if (s.count > 0)
        rows_.setText(g, 2, source::RoundedText(source::NeumaierAverage(s.sum, s.compensation, s.count), 0));
    }
    return std::move(rows_);
  }

 private:
  struct Sum {
    double sum = 0;
    double compensation = 0;
    long long count = 0;
  };

  static int Field(int k) { return k < 2 ? k : k + 1; }

  // Equality as the engine groups: nulls together, numbers by value, texts
  // byte for byte, a text never equal to a number.
  bool equal(std::size_t group, const std::vector<Stored>& key) const {
    for (int k = 0; k < keys_; ++k) {
      const Value& v = rows_.at(group, Field(k));
      const Stored& s = key[static_cast<std::size_t>(k)];
      switch (v.kind()) {
        case Value::Kind::Null:
          if (s.kind != StoredCell::Kind::Null) return false;
          break;
        case Value::Kind::Integer:
          if (s.kind == StoredCell::Kind::Integer ? s.integer != v.integer()
              : s.kind == StoredCell::Kind::Real  ? static_cast<long double>(s.real) != static_cast<long double>(v.integer())
                                                  : true)
            return false;
          break;
        case Value::Kind::Real:
          if (s.kind == StoredCell::Kind::Real ? s.real != v.real()
              : s.kind == StoredCell::Kind::Integer ? static_cast<long double>(s.integer) != static_cast<long double>(v.real())
                                                    : true)
            return false;
          break;
        case Value::Kind::Text:
          if (s.kind != StoredCell::Kind::Text || s.text != v.textRef()) return false;
          break;
      }
    }
    return true;
  }

  std::size_t add(const std::vector<Stored>& key) {
    if (sums_.size() >= std::numeric_limits<std::uint32_t>::max() - 1) throw NotAnswered{};
    for (int f = 0; f < rows_.fieldCount(); ++f) {
      if (f == 2) rows_.appendNull();
      else key[static_cast<std::size_t>(f < 2 ? f : f - 1)].appendTo(rows_);
    }
    sums_.push_back({});
    return sums_.size() - 1;
  }

  // Twice the slots; each slot keeps the high half of its key's hash, which
  // places it again and spares most comparisons.
  void grow() {
    std::vector<std::uint64_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint64_t slot : slots_) {
      if (!slot) continue;
      std::size_t i = rehash(slot) & mask;
      while (slots[i]) i = (i + 1) & mask;
      slots[i] = slot;
    }
    slots_.swap(slots);
  }

  // The slot's position bits come from the low half of the hash, which the
  // slot does not keep: hash the key again.
  std::uint64_t rehash(std::uint64_t slot) const {
    const std::size_t group = (slot & 0xFFFFFFFFu) - 1;
    std::vector<Stored> key(static_cast<std::size_t>(keys_));
    for (int k = 0; k < keys_; ++k) {
      const Value& v = rows_.at(group, Field(k));
      Stored& s = key[static_cast<std::size_t>(k)];
      switch (v.kind()) {
        case Value::Kind::Null: break;
        case Value::Kind::Integer: s.kind = StoredCell::Kind::Integer; s.integer = v.integer(); break;
        case Value::Kind::Real: s.kind = StoredCell::Kind::Real; s.real = v.real(); break;
        case Value::Kind::Text: s.kind = StoredCell::Kind::Text; s.text = v.textRef(); break;
      }
    }
    return KeyHash(key);
  }

  RecordSet rows_;
  int keys_;
  std::vector<Sum> sums_;
  std::vector<std::uint64_t> slots_;  // hash high half << 32 | group + 1; 0 free
};

// A row of the grouped pass held back until its group is in the cache: its
// key (texts copied, as the reader reuses its cells), the key's hash and the
// value it adds to the average, if any.
struct HeldGroupRow {
  bool held = false;
  std::vector<Stored> key;
  std::uint64_t hash = 0;
  std::optional<double> value;

  void hold(const std::vector<Stored>& k, std::uint64_t h, std::optional<double> v) {
    key.resize(k.size());
    texts_.resize(k.size());
    for (std::size_t i = 0; i < k.size(); ++i) key[i] = Owned(k[i], texts_[i]);
    hash = h;
    value = v;
    held = true;
  }

 private:
  std::vector<std::string> texts_;  // never resized once made: the key views them
};

// A prefix length the pass takes: a plain whole number as typed.
std::optional<long long> PrefixLength(const std::string& typed) {
  if (typed.empty() || typed.size() > 9 || typed.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoll(typed);
}

// left(x, n) of a value's text form: its first n characters.
Stored Left(const Stored& v, long long n, std::string& storage) {
  storage = v.textForm();
  storage.resize(source::PrefixBytes(storage, n));
  Stored out;
  out.kind = StoredCell::Kind::Text;
  out.text = storage;
  return out;
}

std::vector<std::string> GroupFieldNames(const PositionGroupsQuery& q, const SheetPass& pass) {
  auto name = [&](const std::string& column) { return pass.names()[pass.column(column)]; };
  std::vector<std::string> fields;
  if (q.binning) {
    fields.push_back("left(" + BracketName(q.lon) + "," + q.lonChars + ")");
    fields.push_back("left(" + BracketName(q.lat) + "," + q.latChars + ")");
  } else {
    fields.push_back(name(q.lon));
    fields.push_back(name(q.lat));
  }
  fields.push_back("format(avg(" + BracketName(q.data) + "),'0')");
  for (const auto& c : q.carried) fields.push_back(name(c));
  return fields;
}

// The grouped query's one pass: each row with a usable position that is not
// 0,0 adds its value to the group of its key (the position, or its prefixes
// when binning, and the carried columns). Rows are grouped two rows late:
// meanwhile the slot of a row's key and then its group come into the cache.
class GroupPass {
 public:
  GroupPass(const PositionGroupsQuery& q, std::optional<long long> lonChars, std::optional<long long> latChars)
      : q_(q), lonChars_(lonChars), latChars_(latChars), key_(2 + q.carried.size()) {}

  // The groups, or nothing when the sheet cannot be read this way. Throws
  // NotAnswered.
  std::optional<PositionGroups> run() {
    const bool read = pass_.run(
        q_.workbook, q_.sheet, [&] { header(); },
        [&](std::uint32_t r, const std::vector<Cell>& cells) { row(r, cells); });
    if (!read) return std::nullopt;
    settle(held_[next_]);
    settle(held_[next_ ^ 1]);
    out_.rows = groups_->finish();
    return std::move(out_);
  }

 private:
  void header() {
    lon_ = pass_.column(q_.lon);
    lat_ = pass_.column(q_.lat);
    data_ = pass_.column(q_.data);
    for (const auto& c : q_.carried) carried_.push_back(pass_.column(c));
    groups_.emplace(GroupFieldNames(q_, pass_), static_cast<int>(key_.size()));
  }

  void row(std::uint32_t r, const std::vector<Cell>& cells) {
    const Stored x = StoredAt(cells, lon_), y = StoredAt(cells, lat_);
    if (!Usable(x, y)) {
      out_.skipped.add(static_cast<std::int64_t>(r) + 1);
      return;
    }
    if (!x.notZero() && !y.notZero()) return;
    key_[0] = q_.binning ? Left(x, *lonChars_, lonText_) : x;
    key_[1] = q_.binning ? Left(y, *latChars_, latText_) : y;
    for (std::size_t k = 0; k < carried_.size(); ++k) key_[2 + k] = StoredAt(cells, carried_[k]);
    const Stored d = StoredAt(cells, data_);
    std::optional<double> v;
    if (d.kind != StoredCell::Kind::Null) {
      v = d.numberOf();
      if (!v) throw NotAnswered{};  // avg() fails naming the value
    }
    const std::uint64_t h = KeyHash(key_);
    groups_->prefetchSlot(h);
    HeldGroupRow& older = held_[next_];
    HeldGroupRow& newer = held_[next_ ^ 1];
    if (newer.held) groups_->prefetchGroup(newer.hash);
    settle(older);
    older.hold(key_, h, v);
    next_ ^= 1;
  }

  // A held row joins its group.
  void settle(HeldGroupRow& h) {
    if (!h.held) return;
    h.held = false;
    const std::size_t g = groups_->find(h.key, h.hash);
    if (h.value) groups_->add(g, *h.value);
  }

  const PositionGroupsQuery& q_;
  std::optional<long long> lonChars_, latChars_;
  SheetPass pass_;
  std::optional<Groups> groups_;
  std::size_t lon_ = 0, lat_ = 0, data_ = 0;
  std::vector<std::size_t> carried_;
  std::vector<Stored> key_;
  std::string lonText_, latText_;  // the binned prefixes key_ views
  PositionGroups out_;
  HeldGroupRow held_[2];  // the rows before, the older at next_
  std::size_t next_ = 0;
};

}  // namespace

std::optional<PositionGroups> ScanPositionGroups(const PositionGroupsQuery& q) {
  std::optional<long long> lonChars, latChars;
  if (q.binning) {
    lonChars = PrefixLength(q.lonChars);
    latChars = PrefixLength(q.latChars);
    if (!lonChars || !latChars) return std::nullopt;
  }
  try {
    return GroupPass(q, lonChars, latChars).run();
  } catch (const NotAnswered&) {
    return std::nullopt;
  }
}

std::optional<SkippedRows> ScanPositionRows(const PositionRowsQuery& q, const PositionRowsSink& sink) {
  try {
    SheetPass pass;
    std::size_t lon = 0, lat = 0, data = 0;
    std::vector<Value> values;
    SkippedRows skipped;
    auto header = [&] {
      lon = pass.column(q.lon);
      lat = pass.column(q.lat);
      data = pass.column(q.data);
      std::vector<std::string> fields = {"jd", "wd", "zt"};
      fields.insert(fields.end(), pass.names().begin(), pass.names().end());
      sink.fields(fields);
    };
    auto row = [&](std::uint32_t r, const std::vector<Cell>& cells) {
      // A row wider than the header adds columns to yb.*.
      if (cells.size() > pass.names().size()) throw NotAnswered{};
      const Stored x = StoredAt(cells, lon), y = StoredAt(cells, lat);
      if (!Usable(x, y)) {
        skipped.add(static_cast<std::int64_t>(r) + 1);
        return;
      }
      values.clear();
      values.push_back(x.value());
      values.push_back(y.value());
      values.push_back(StoredAt(cells, data).value());
      for (std::size_t c = 0; c < pass.names().size(); ++c) values.push_back(StoredAt(cells, c).value());
      sink.row(values);
    };
    if (!pass.run(q.workbook, q.sheet, header, row)) return std::nullopt;
    return skipped;
  } catch (const NotAnswered&) {
    return std::nullopt;
  }
}

std::optional<SkippedRows> ScanPositionValues(const PositionValuesQuery& q, const PositionValueSink& sink) {
  try {
    SheetPass pass;
    std::size_t lon = 0, lat = 0, data = 0;
    SkippedRows skipped;
    auto header = [&] {
      lon = pass.column(q.lon);
      lat = pass.column(q.lat);
      data = pass.column(q.data);
    };
    auto row = [&](std::uint32_t r, const std::vector<Cell>& cells) {
      const Stored x = StoredAt(cells, lon), y = StoredAt(cells, lat);
      if (!Usable(x, y)) {
        skipped.add(static_cast<std::int64_t>(r) + 1);
        return;
      }
      sink(static_cast<std::int64_t>(r) + 1, *x.numberOf(), *y.numberOf(), StoredAt(cells, data).value());
    };
    if (!pass.run(q.workbook, q.sheet, header, row)) return std::nullopt;
    return skipped;
  } catch (const NotAnswered&) {
    return std::nullopt;
  }
}

namespace {

// The distinct keys met so far, found through an open-addressing table of
// their 64-bit hashes. Keeping the keys, it compares them and answers
// exactly; without them it holds only the hashes and answers Unsure at the
// first hash met twice (an equal key, or two keys of one hash).
class KeySet {
 public:
  enum class Seen { New, Again, Unsure };
  explicit KeySet(bool keepKeys) : keep_(keepKeys), hashes_(1 << 16, 0), numbers_(keep_ ? hashes_.size() : 0) {}

  // Starts loading the slot where `hash` is looked up, so that an insert of
  // it a little later seldom waits on memory.
  void prefetch(std::uint64_t hash) const {
    __builtin_prefetch(&hashes_[std::max<std::uint64_t>(hash, 1) & (hashes_.size() - 1)]);
  }

  // A key by its hash; the key itself is read only when keeping keys.
  Seen insert(std::uint64_t hash, std::string_view key) {
    const std::uint64_t h = std::max<std::uint64_t>(hash, 1);  // 0 marks a free slot
    const std::size_t mask = hashes_.size() - 1;
    std::size_t i = h & mask;
    for (; hashes_[i]; i = (i + 1) & mask) {
      if (hashes_[i] != h) continue;
      if (!keep_) return Seen::Unsure;
      if (keys_[numbers_[i]] == key) return Seen::Again;
    }
    hashes_[i] = h;
    if (keep_) {
      numbers_[i] = static_cast<std::uint32_t>(keys_.size());
      keys_.push_back(store(key));
    }
    if (++count_ * 2 > hashes_.size()) grow();
    return Seen::New;
  }

 private:
  // The key's bytes in the current block, a new block when it is full.
  std::string_view store(std::string_view key) {
    constexpr std::size_t kBlock = 4 << 20;
    if (blocks_.empty() || used_ + key.size() > std::max(kBlock, key.size())) {
      blocks_.emplace_back(new char[std::max(kBlock, key.size())]);
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    std::memcpy(at, key.data(), key.size());
    used_ += key.size();
    return {at, key.size()};
  }

  void grow() {
    std::vector<std::uint64_t> hashes(hashes_.size() * 2, 0);
    std::vector<std::uint32_t> numbers(keep_ ? hashes.size() : 0);
    const std::size_t mask = hashes.size() - 1;
    for (std::size_t k = 0; k < hashes_.size(); ++k) {
      if (!hashes_[k]) continue;
      std::size_t i = hashes_[k] & mask;
      while (hashes[i]) i = (i + 1) & mask;
      hashes[i] = hashes_[k];
      if (keep_) numbers[i] = numbers_[k];
    }
    hashes_.swap(hashes);
    numbers_.swap(numbers);
  }

  bool keep_;
  std::size_t count_ = 0;
  std::vector<std::uint64_t> hashes_;  // by slot; 0 free
  std::vector<std::uint32_t> numbers_;  // by slot: the key's number, when keeping keys
  std::vector<std::string_view> keys_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;
};

// Thrown when the pass must run again keeping the keys it compares.
struct KeepKeys {};

// The cell sheet as the join needs it: the three result values of each row
// in sheet order, whether the row has a usable position, and the rows of
// each identifier. Whole numbers, the usual identifiers, are found in a
// flat table without spelling out a key; other identifiers by their key.
class CellTable {
 public:
  std::vector<std::array<Value, 3>> values;
  std::vector<char> placed;
  std::vector<std::uint32_t> sheetRows;  // as the spreadsheet numbers them

  // Rows of one identifier, in sheet order; none when count is 0.
  struct Rows {
    const std::uint32_t* first = nullptr;
    std::size_t count = 0;
  };

  // Files row `row` (a number into `values`) under its identifier `id`.
  void add(const Stored& id, std::uint32_t row) {
    if (const std::optional<std::int64_t> w = Whole(id)) {
      building_[*w].push_back(row);
      return;
    }
    key_.clear();
    AppendKey(key_, id);
    byKey_[key_].push_back(row);
  }

  // Builds the table of whole identifiers once every row is filed.
  void finish() {
    std::size_t size = 16;
    while (size < building_.size() * 2) size *= 2;
    slots_.assign(size, Slot{});
    for (const auto& [id, rows] : building_) {
      std::size_t i = Mix64(static_cast<std::uint64_t>(id)) & (size - 1);
      while (slots_[i].count) i = (i + 1) & (size - 1);
      slots_[i] = {id, static_cast<std::uint32_t>(wholeRows_.size()), static_cast<std::uint32_t>(rows.size())};
      wholeRows_.insert(wholeRows_.end(), rows.begin(), rows.end());
    }
    building_.clear();
  }

  // The rows whose identifier equals `id` (after finish()).
  Rows rowsOf(const Stored& id) {
    if (const std::optional<std::int64_t> w = Whole(id)) {
      const std::size_t mask = slots_.size() - 1;
      for (std::size_t i = Mix64(static_cast<std::uint64_t>(*w)) & mask; slots_[i].count; i = (i + 1) & mask)
        if (slots_[i].id == *w) return {wholeRows_.data() + slots_[i].first, slots_[i].count};
      return {};
    }
    key_.clear();
    AppendKey(key_, id);
    const auto match = byKey_.find(key_);
    return match == byKey_.end() ? Rows{} : Rows{match->second.data(), match->second.size()};
  }

 private:
  // The integer an identifier equals, when it is a whole number.
  static std::optional<std::int64_t> Whole(const Stored& id) {
    std::optional<std::int64_t> w;
    KeyParts(id, [&](char tag, std::string_view bytes) {
      if (tag != 'I') return;
      w.emplace();
      std::memcpy(&*w, bytes.data(), sizeof *w);
    });
    return w;
  }

  struct Slot {
    std::int64_t id = 0;
    std::uint32_t first = 0, count = 0;  // count 0: a free slot
  };
  std::unordered_map<std::int64_t, std::vector<std::uint32_t>> building_;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> wholeRows_;  // each identifier's rows, one after another
  std::unordered_map<std::string, std::vector<std::uint32_t>> byKey_;
  std::string key_;
};

std::size_t NamedColumn(const SheetPass& pass, const std::string& name) {
  if (pass.names().size() > 2000) throw NotAnswered{};  // more than the engine's table takes
  return pass.column(name);
}

bool ReadCells(const std::string& workbook, const FlyLineInputs& in, CellTable& t) {
  SheetPass pass;
  std::size_t lon = 0, lat = 0, az = 0, ci = 0;
  auto header = [&] {
    lon = NamedColumn(pass, in.cellLon);
    lat = NamedColumn(pass, in.cellLat);
    az = NamedColumn(pass, in.cellAzimuth);
    ci = NamedColumn(pass, in.cellCi);
  };
  auto row = [&](std::uint32_t r, const std::vector<Cell>& cells) {
    const Stored id = StoredAt(cells, ci);
    if (id.kind == StoredCell::Kind::Null) return;  // null equals nothing
    if (t.values.size() >= std::numeric_limits<std::uint32_t>::max() - 1) throw NotAnswered{};
    t.add(id, static_cast<std::uint32_t>(t.values.size()));
    t.sheetRows.push_back(r + 1);
    t.values.push_back({StoredAt(cells, lon).value(), StoredAt(cells, lat).value(), StoredAt(cells, az).value()});
    t.placed.push_back(CheckPosition(t.values.back()[0], t.values.back()[1]) == PositionFault::None);
  };
  if (!pass.run(workbook, in.cellSheet, header, row, 0, 0.5)) return false;
  t.finish();
  return true;
}

// A drive-test row that matched a cell, held back until the next row has
// been read: the distinct-row lookup for it is started (prefetched) a row
// early, so it seldom waits on memory. Its texts are copied, as the reader
// reuses its cells.
class HeldRow {
 public:
  bool held = false;
  std::uint64_t hash = 0;
  std::string key;  // spelt out only when keeping keys
  CellTable::Rows cells;
  Stored lon, lat, id;
  Stored value;         // the report's value, when it asks for one
  bool placed = false;  // the point has a usable position
  std::uint32_t row = 0;

  void hold(const Stored& x, const Stored& y, const Stored& i, const Stored& v) {
    lon = Owned(x, lonText_);
    lat = Owned(y, latText_);
    id = Owned(i, idText_);
    value = Owned(v, valueText_);
    held = true;
  }

 private:
  std::string lonText_, latText_, idText_, valueText_;
};

// The report's count of distinct drive-test rows whose identifier matches
// no cell, by identifier (equal as the engine groups them) in the order
// first met, each named by its text form.
class Unmatched {
 public:
  void add(const Stored& id) {
    key_.clear();
    AppendKey(key_, id);
    const auto [at, added] = index_.try_emplace(key_, counts_.size());
    if (added) counts_.emplace_back(id.textForm(), 0);
    ++counts_[at->second].second;
  }
  std::vector<std::pair<std::string, std::uint64_t>> take() { return std::move(counts_); }

 private:
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<std::pair<std::string, std::uint64_t>> counts_;
  std::string key_;
};

// The drive-test sheet streamed past the cells; `keepKeys` as KeySet takes
// it. Only the first of equal rows joins (its group's first sheet row); a
// line whose cell or point has no usable position is left out and its
// drive-test row counted once. Each joined row is held back a row (HeldRow)
// so that its distinct-row lookup is prefetched.
class PointJoin {
 public:
  PointJoin(const FlyLineInputs& in, CellTable& cells, bool keepKeys)
      : in_(in), cells_(cells), keepKeys_(keepKeys), report_(!in.reportValue.empty()), seen_(keepKeys) {}

  // The lines, or nothing when the sheet cannot be read this way. Throws
  // NotAnswered, or KeepKeys when a pass without keys meets a hash twice.
  std::optional<FlyLineResult> run(const std::string& workbook) {
    const bool read = pass_.run(
        workbook, in_.pointSheet, [&] { header(); },
        [&](std::uint32_t r, const std::vector<Cell>& values) { line(r, values); }, 0.5, 1);
    if (!read) return std::nullopt;
    draw();
    FlyLineResult result = InOrder(std::move(*out_));
    result.skipped = std::move(skipped_);
    result.unmatched = unmatched_.take();
    return result;
  }

 private:
  void header() {
    lon_ = NamedColumn(pass_, in_.pointLon);
    lat_ = NamedColumn(pass_, in_.pointLat);
    ci_ = NamedColumn(pass_, in_.pointCi);
    // The engine's numbered query names a column so; a sheet column of that
    // name makes it answer differently.
    for (const auto& n : pass_.names())
      if (AsciiLower(n) == "tessaro_point_row") throw NotAnswered{};
    const auto& names = pass_.names();
    std::vector<std::string> fields = {"alo", "ala", "fwj", names[lon_], names[lat_], names[ci_]};
    if (report_) {
      value_ = NamedColumn(pass_, in_.reportValue);
      fields.insert(fields.end(), {names[value_], "tessaro_point_row", "tessaro_cell_row"});
    }
    out_.emplace(std::move(fields));
  }

  void line(std::uint32_t r, const std::vector<Cell>& values) {
    if (values.size() > pass_.names().size()) throw NotAnswered{};  // more columns for "distinct *"
    const Stored id = StoredAt(values, ci_);
    const CellTable::Rows match = id.kind == StoredCell::Kind::Null ? CellTable::Rows{} : cells_.rowsOf(id);
    if (!match.count) {
      if (report_) unserved(id, values);
      return;
    }
    storeRow(values, &id);
    const std::uint64_t hash = KeyHash(stored_);
    seen_.prefetch(hash);
    draw();
    held_.hash = hash;
    held_.key.swap(key_);
    held_.cells = match;
    held_.placed = Usable(stored_[lon_], stored_[lat_]);
    held_.row = r;
    held_.hold(stored_[lon_], stored_[lat_], id, report_ ? stored_[value_] : Stored{});
  }

  // The row's values into stored_, each read once (the identifier, when
  // given, already read); its key spelt out into key_ when keeping keys.
  void storeRow(const std::vector<Cell>& values, const Stored* id) {
    stored_.clear();
    for (std::size_t c = 0; c < pass_.names().size(); ++c)
      stored_.push_back(id && c == ci_ ? *id : StoredAt(values, c));
    key_.clear();
    if (keepKeys_)
      for (const Stored& s : stored_) AppendKey(key_, s);
  }

  // The held row, joined to each of its cells unless an equal row came
  // before.
  void draw() {
    if (!held_.held) return;
    held_.held = false;
    const KeySet::Seen again = seen_.insert(held_.hash, held_.key);
    if (again == KeySet::Seen::Unsure) throw KeepKeys{};
    if (again == KeySet::Seen::Again) return;
    bool left = false;
    for (std::size_t m = 0; m < held_.cells.count; ++m) {
      const std::uint32_t k = held_.cells.first[m];
      if (!held_.placed || !cells_.placed[k]) {
        left = true;
        continue;
      }
      appendLine(k);
    }
    if (left) skipped_.add(static_cast<std::int64_t>(held_.row) + 1);
  }

  // One result row: cell `k`'s values, then the held point's.
  void appendLine(std::uint32_t k) {
    for (const Value& v : cells_.values[k]) out_->append(v);
    held_.lon.appendTo(*out_);
    held_.lat.appendTo(*out_);
    held_.id.appendTo(*out_);
    if (!report_) return;
    held_.value.appendTo(*out_);
    out_->appendInteger(static_cast<std::int64_t>(held_.row) + 1);
    out_->appendInteger(cells_.sheetRows[k]);
  }

  // The report counts the distinct rows no cell serves; they share seen_
  // with the joined rows, which never equal them (their identifiers differ).
  void unserved(const Stored& id, const std::vector<Cell>& values) {
    storeRow(values, nullptr);
    const KeySet::Seen again = seen_.insert(KeyHash(stored_), key_);
    if (again == KeySet::Seen::Unsure) throw KeepKeys{};
    if (again == KeySet::Seen::New) unmatched_.add(id);
  }

  const FlyLineInputs& in_;
  CellTable& cells_;
  const bool keepKeys_;
  const bool report_;
  SheetPass pass_;
  std::size_t lon_ = 0, lat_ = 0, ci_ = 0, value_ = 0;
  std::optional<RecordSet> out_;
  SkippedRows skipped_;
  Unmatched unmatched_;
  KeySet seen_;                 // the distinct point rows that joined
  std::string key_;             // the row's key, spelt out only when keeping keys
  std::vector<Stored> stored_;  // the row's values, each read once
  HeldRow held_;
};

}  // namespace

std::optional<FlyLineResult> ScanFlyLineJoin(const std::string& workbook, const FlyLineInputs& in) {
  if (QueryForm(in) != FlyLineForm::Plain) return std::nullopt;  // a typed condition is the engine's
  try {
    CellTable cells;
    if (!ReadCells(workbook, in, cells)) return std::nullopt;
    // Drive-test rows are mostly all different: the first pass keeps only
    // their hashes, and a second one the rows themselves once two meet.
    try {
      return PointJoin(in, cells, false).run(workbook);
    } catch (const KeepKeys&) {
      return PointJoin(in, cells, true).run(workbook);
    }
  } catch (const NotAnswered&) {
    return std::nullopt;
  }
}

}  // namespace tessaro
