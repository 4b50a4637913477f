#include "kml/KmlCategories.h"

#include "common/Colour.h"
#include "common/Text.h"
#include "kml/DriveTestLegend.h"
#include "kml/KmlWriter.h"

namespace tessaro {

namespace {

constexpr std::size_t kOtherSlot = 12;
constexpr std::size_t kLegendLines = 40;

// The six bbggrr digits of a colour.
std::string Digits(ColourValue colour) { return KmlColor(colour).substr(2); }

}  // namespace

KmlCategoryColours::KmlCategoryColours(const CategoryOption& option, const RecordSet& rows, int field, std::string unit)
    : categories_(option), unit_(std::move(unit)), total_(rows.rowCount()) {
  for (std::size_t r = 0; r < rows.rowCount(); ++r)
    categories_.add(rows.at(r, field), static_cast<std::int64_t>(r) + 1);
  categories_.finish();
  for (std::size_t i = 0; i < CategoryPalette().size(); ++i)
    colourLines_[i] = "<color>" + KmlColor(CategoryPalette()[i]) + "</color>";
  colourLines_[kOtherSlot] = "<color>" + KmlColor(kOtherCategoryColour) + "</color>";
}

std::size_t KmlCategoryColours::slot(const Value& v) const {
  const int cls = categories_.classOf(v);
  return cls < 0 ? kOtherSlot : static_cast<std::size_t>(cls) % CategoryPalette().size();
}

void KmlCategoryColours::writePolygonStyles(KmlWriter& out, const std::string& outlineWidth,
                                            const std::string& outlineColour, const std::string& fillAlpha) const {
  for (std::size_t i = 0; i <= kOtherSlot; ++i) {
    const ColourValue fill = i == kOtherSlot ? kOtherCategoryColour : CategoryPalette()[i];
    out.line("<Style id=\"category" + std::to_string(i == kOtherSlot ? 0 : i + 1) + "\">");
    out.line("<LineStyle>");
    out.element("width", outlineWidth);
    out.line("<color>" + outlineColour + "</color>");
    out.line("</LineStyle>");
    out.line("<PolyStyle>");
    out.line("<color>" + fillAlpha + Digits(fill) + "</color>");
    out.line("</PolyStyle>");
    out.line("</Style>");
  }
}

std::string KmlCategoryColours::styleUrl(const Value& v) const {
  const std::size_t s = slot(v);
  return "#category" + std::to_string(s == kOtherSlot ? 0 : s + 1);
}

void KmlCategoryColours::addNotes(Progress& progress, bool perClass, const Categories::RowsText& rowsText) const {
  for (const std::string& line : categories_.notes(unit_, rowsText)) progress.addNote(line);
  if (!perClass) return;
  for (const Categories::Class& c : categories_.classes())
    progress.addNote("类别 " + c.label + "：" + std::to_string(c.count) + " " + unit_ + "（" +
                     ShareText(c.count, total_) + "%）");
}

std::string KmlCategoryColours::legendPng(const std::string& title) const {
  const std::vector<Categories::Class> classes = categories_.classes();
  std::vector<LegendEntry> entries;
  std::uint64_t rest = 0, restClasses = 0;
  for (std::size_t i = 0; i < classes.size(); ++i) {
    const Categories::Class& c = classes[i];
    if (entries.size() + 1 < kLegendLines || classes.size() == kLegendLines) {
      entries.push_back(
          {c.colour, c.label + "  " + std::to_string(c.count) + " " + unit_ + "  " + ShareText(c.count, total_) + "%"});
    } else {
      rest += c.count;
      ++restClasses;
    }
  }
  if (restClasses)
    entries.push_back({kOtherCategoryColour, "另 " + std::to_string(restClasses) + " 类  " + std::to_string(rest) +
                                                 " " + unit_ + "  " + ShareText(rest, total_) + "%"});
  return LegendImage(title, entries);
}

}  // namespace tessaro
