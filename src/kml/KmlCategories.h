#pragma once
// Colour by category in the KML layers: the classes of a column over a
// whole query result, their colours as KML colour lines or shared styles,
// and their legend (analysis/Category.h says how values become classes).
#include <array>
#include <string>
#include <vector>

#include "analysis/Category.h"
#include "common/Progress.h"
#include "source/Provider.h"

namespace tessaro {

class KmlWriter;

class KmlCategoryColours {
 public:
  // Reads the classes of field `field` over every row of `rows`; `unit`
  // names a row in notes and legends ("行", "点"). Throws Error for a bad
  // modulus.
  KmlCategoryColours(const CategoryOption& option, const RecordSet& rows, int field, std::string unit);

  // "<color>FFbbggrr</color>" of the row's class.
  const std::string& colourLine(const Value& v) const { return colourLines_[slot(v)]; }

  // One shared style per colour, for polygons: `outline` as the outline and
  // the class colour under `fillAlpha` (two hexadecimal digits) as the fill.
  // Ids "category1".."category12", "category0" for "其他".
  void writePolygonStyles(KmlWriter& out, const std::string& outlineWidth, const std::string& outlineColour,
                          const std::string& fillAlpha) const;
  // "#categoryN" of the row's class.
  std::string styleUrl(const Value& v) const;

  // The notes of the run, and one line per class with its count and share
  // ("类别 0：12 点（38.7%）") when `perClass`.
  void addNotes(Progress& progress, bool perClass, const Categories::RowsText& rowsText = {}) const;
  // The legend image: the column above the classes and their counts (at most
  // 40 lines; the rest summed in the last).
  std::string legendPng(const std::string& title) const;

 private:
  // 0..11 the palette, 12 "其他".
  std::size_t slot(const Value& v) const;

  Categories categories_;
  std::string unit_;
  std::uint64_t total_ = 0;
  std::array<std::string, 13> colourLines_;
};

}  // namespace tessaro
