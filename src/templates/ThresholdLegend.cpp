#include "templates/ThresholdLegend.h"

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
