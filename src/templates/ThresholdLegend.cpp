#include "templates/ThresholdLegend.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "common/Error.h"
#include "common/Text.h"

namespace tessaro {

ThresholdLegend ThresholdLegend::Initial() {
  return FromBounds({"-120", "-95", "-90", "-80", "-70", "-20"}, {255, 65535, 16711680, 16776960, 65280});
}

ThresholdLegend ThresholdLegend::FromBounds(const std::array<std::string, 6>& bounds,
                                            const std::array<ColourValue, 5>& colours) {
  ThresholdLegend legend;
  for (int i = 0; i < kRows; ++i) {
    legend.rows[static_cast<std::size_t>(i)].lower = bounds[static_cast<std::size_t>(i)];
    legend.rows[static_cast<std::size_t>(i)].upper = bounds[static_cast<std::size_t>(i) + 1];
    legend.rows[static_cast<std::size_t>(i)].colour = colours[static_cast<std::size_t>(i)];
  }
  return legend;
}

namespace {

// A bound box read as its leading number (a text without one counts as 0);
// nothing when what it starts with is no finite number: "nan", "inf"
// (whatever the case, after blanks and a sign), or more digits than a double
// holds.
std::optional<double> BoundValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t start = i;
  bool point = false, digits = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9')
      digits = true;
    else if (text[i] == '.' && !point)
      point = true;
    else
      break;
  }
  if (!digits) {
    std::string word;
    for (std::size_t k = start; k < text.size() && k < start + 3; ++k)
      word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(text[k]))));
    if (word == "nan" || word == "inf") return std::nullopt;
    return 0.0;
  }
  double v = 0;
  const auto r = std::from_chars(text.data() + start, text.data() + i, v, std::chars_format::fixed);
  if (r.ec != std::errc() || !std::isfinite(v)) return std::nullopt;
  return LeadingNumber(text);
}

// "区间 3 的下限", "区间 5 的上限": bound k of the six (lower bounds of rows 1..5, upper bound of row 5).
std::string BoundName(std::size_t k) {
  return k < ThresholdLegend::kRows ? "区间 " + std::to_string(k + 1) + " 的下限" : "区间 5 的上限";
}

}  // namespace

void ThresholdLegend::check() const {
  std::array<std::string, kRows + 1> texts;
  for (std::size_t i = 0; i < rows.size(); ++i) texts[i] = rows[i].lower;
  texts[kRows] = rows[kRows - 1].upper;
  double previous = 0;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const std::optional<double> v = BoundValue(texts[k]);
    // A bound is quoted as far as a message can show it (a template line may be anything).
    if (!v) throw Error(BoundName(k) + "“" + PrintableExcerpt(texts[k]) + "”不是有限的数");
    if (k > 0 && *v < previous)
      throw Error(BoundName(k) + "“" + PrintableExcerpt(texts[k]) + "”小于" + BoundName(k - 1) + "“" +
                  PrintableExcerpt(texts[k - 1]) + "”：区间的界限应从小到大");
    previous = *v;
  }
}

void ThresholdLegend::compile() {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    lo_[i] = LeadingNumber(rows[i].lower);
    hi_[i] = LeadingNumber(rows[i].upper);
  }
  compiled_ = true;
}

int ThresholdLegend::match(double value) {
  if (!compiled_) compile();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool last = i + 1 == rows.size();
    if (lo_[i] <= value && (value < hi_[i] || (last && value == hi_[i]))) return static_cast<int>(i);
  }
  return -1;
}

std::optional<ColourValue> ThresholdLegend::colourFor(double value) {
  int row = match(value);
  if (row < 0) return std::nullopt;
  return rows[static_cast<std::size_t>(row)].colour;
}

}  // namespace tessaro
