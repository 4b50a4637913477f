#pragma once
// The five colour bands of the drive-test layers.
//
// Each row holds its bounds as the boxes hold them (text) and its colour as
// the colour buttons hold it (0x00BBGGRR). Rows are tried in order 1 to 5; a
// row takes a value when lower <= value < upper, row 5 also when value equals
// its upper bound. The bounds are read as the leading number of their text
// only when a layer is generated; a layer refuses bounds that are not finite
// or not ascending (check()).
#include <array>
#include <optional>
#include <string>

#include "common/Colour.h"

namespace tessaro {

struct ThresholdRow {
  std::string lower;
  std::string upper;
  ColourValue colour = 0;
};

class ThresholdLegend {
 public:
  static constexpr int kRows = 5;

  // The window's initial legend: -120/-95/-90/-80/-70/-20 with red, yellow,
  // blue, cyan and green.
  static ThresholdLegend Initial();

  // From the six stored bounds (lower bounds of rows 1..5, upper bound of
  // row 5); the upper bounds of rows 1..4 are the next row's lower bound.
  static ThresholdLegend FromBounds(const std::array<std::string, 6>& bounds,
                                    const std::array<ColourValue, 5>& colours);

  std::array<ThresholdRow, kRows> rows;

  // Throws Error naming the first bound that is not a finite number ("nan",
  // "inf", digits beyond the range of a double) or that lies below the bound
  // before it: "区间 3 的下限“-95”小于区间 2 的下限“-90”…". Bounds are read
  // as compile() reads them; equal neighbours (an empty band) are allowed.
  // The layers call it before they read the sheet.
  void check() const;
  // Reads every bound as a number; call once before matching many values.
  // Overlapping rows (bounds check() refuses) still match: the first row wins.
  void compile();
  // 0-based index of the first row that takes `value`, or -1. Uses the
  // compiled bounds (compile() is called on first use).
  int match(double value);
  // The colour of the row that takes `value`.
  [[nodiscard]] std::optional<ColourValue> colourFor(double value);

 private:
  bool compiled_ = false;
  std::array<double, kRows> lo_{};
  std::array<double, kRows> hi_{};
};

}  // namespace tessaro
