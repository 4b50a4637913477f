#include "analysis/Category.h"

#include <algorithm>
#include <cmath>

#include "common/Error.h"
#include "common/Text.h"

namespace tessaro {

namespace {

constexpr ColourValue Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// Whole numbers beyond 2^53 are no longer exact in a double.
constexpr double kLargestWhole = 9007199254740992.0;

bool IsBlank(const Value& v) { return v.isNull() || (v.kind() == Value::Kind::Text && Trim(v.textRef()).empty()); }

std::string RowList(const std::vector<std::int64_t>& rows) {
  std::string list;
  for (std::size_t i = 0; i < rows.size(); ++i) list += (i ? "、" : "") + std::to_string(rows[i]);
  return list;
}

}  // namespace

const std::array<ColourValue, 12>& CategoryPalette() {
  static const std::array<ColourValue, 12> palette = {
      Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(0, 0, 255), Rgb(255, 255, 0), Rgb(255, 0, 255), Rgb(0, 255, 255),
      Rgb(255, 128, 0), Rgb(128, 0, 255), Rgb(0, 128, 0), Rgb(128, 0, 0),   Rgb(0, 0, 128),   Rgb(128, 128, 0),
  };
  return palette;
}

std::int64_t ParseCategoryModulus(const std::string& text) {
  const std::optional<double> n = ParseNumber(Trim(text));
  if (!n || std::floor(*n) != *n || *n < 2 || *n > 1000000)
    throw Error("取模“" + PrintableExcerpt(text) + "”应为 2～1000000 的整数");
  return static_cast<std::int64_t>(*n);
}

void CheckCategoryOption(const CategoryOption& option) {
  if (option.on() && !Trim(option.modulus).empty()) ParseCategoryModulus(option.modulus);
}

Categories::Categories(const CategoryOption& option) : column_(option.column) {
  if (!Trim(option.modulus).empty()) modulus_ = ParseCategoryModulus(option.modulus);
}

std::optional<double> Categories::numberKey(const Value& v, bool& other) const {
  other = false;
  if (IsBlank(v)) {
    other = true;
    return std::nullopt;
  }
  const std::optional<double> n = v.number();
  if (!modulus_) return n ? std::optional<double>(*n == 0 ? 0.0 : *n) : std::nullopt;
  if (!n || std::floor(*n) != *n || std::fabs(*n) > kLargestWhole) {
    other = true;
    return std::nullopt;
  }
  const std::int64_t r = static_cast<std::int64_t>(*n) % *modulus_;
  return static_cast<double>(r < 0 ? r + *modulus_ : r);
}

void Categories::add(const Value& v, std::int64_t row) {
  bool other = false;
  if (const std::optional<double> key = numberKey(v, other)) {
    ++numbers_[*key].count;
  } else if (other) {
    ++others_;
    if (otherRows_.size() < 10) otherRows_.push_back(row);
  } else {
    std::string text = Trim(v.textRef());
    auto [it, added] = texts_.try_emplace(text);
    if (added) textOrder_.push_back(std::move(text));
    ++it->second.count;
  }
}

void Categories::finish() {
  int rank = 0;
  for (auto& [key, entry] : numbers_) entry.rank = rank++;
  for (const std::string& t : textOrder_) texts_[t].rank = rank++;
}

int Categories::classOf(const Value& v) const {
  bool other = false;
  if (const std::optional<double> key = numberKey(v, other)) {
    if (modulus_) return static_cast<int>(*key);
    const auto it = numbers_.find(*key);
    return it == numbers_.end() ? -1 : it->second.rank;
  }
  if (other) return -1;
  const auto it = texts_.find(Trim(v.textRef()));
  return it == texts_.end() ? -1 : it->second.rank;
}

ColourValue Categories::colourOf(int cls) const {
  if (cls < 0) return kOtherCategoryColour;
  return CategoryPalette()[static_cast<std::size_t>(cls) % CategoryPalette().size()];
}

std::vector<Categories::Class> Categories::classes() const {
  std::vector<Class> out;
  for (const auto& [key, entry] : numbers_) {
    const int cls = modulus_ ? static_cast<int>(key) : entry.rank;
    out.push_back({NumberText(key), entry.count, colourOf(cls)});
  }
  for (const std::string& t : textOrder_) {
    const Entry& entry = texts_.at(t);
    out.push_back({t, entry.count, colourOf(entry.rank)});
  }
  if (others_) out.push_back({kOtherCategoryLabel, others_, kOtherCategoryColour});
  return out;
}

std::vector<std::string> Categories::notes(const std::string& unit, const RowsText& rowsText) const {
  std::string head = "按列“" + column_ + "”";
  if (modulus_) head += "（模 " + std::to_string(*modulus_) + "）";
  std::vector<std::string> out = {head + "着色：" + std::to_string(size()) + " 类"};
  if (others_) {
    std::string line = "列“" + column_ + "”有 " + std::to_string(others_) + " " + unit +
                       (modulus_ ? "为空或不是整数" : "为空") + "，归入“其他”（灰色）";
    if (!otherRows_.empty() && rowsText)
      line += "：" + rowsText(std::vector<long long>(otherRows_.begin(), otherRows_.end()));
    else if (!otherRows_.empty())
      line += "：第 " + RowList(otherRows_) + " " + (unit == "行" ? "行" : "个");
    out.push_back(line);
  }
  return out;
}

}  // namespace tessaro
