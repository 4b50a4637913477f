#include "kml/DriveTestLegend.h"

#include <cairo.h>

#include <algorithm>
#include <memory>

#include "common/Error.h"

namespace tessaro {

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

constexpr double kFont = 13, kLine = 22, kPad = 8, kSwatch = 14;

}  // namespace

// Rounded half up, without the process locale.
std::string ShareText(std::uint64_t count, std::uint64_t total) {
  if (total == 0) return "0.0";
  const std::uint64_t tenths = (count * 2000 + total) / (2 * total);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string BandLine(const ThresholdRow& band, std::uint64_t points, std::uint64_t total, const std::string& unit) {
  return "区间 " + band.lower + "～" + band.upper + "：" + std::to_string(points) + " " + unit + "（" +
         ShareText(points, total) + "%）";
}

std::string LegendPng(const std::string& title, const ThresholdLegend& legend, const BandCounts& counts,
                      const std::string& unit) {
  std::vector<LegendEntry> entries;
  for (int i = 0; i < ThresholdLegend::kRows; ++i) {
    const ThresholdRow& band = legend.rows[static_cast<std::size_t>(i)];
    const std::uint64_t n = counts.points[static_cast<std::size_t>(i)];
    entries.push_back({band.colour, band.lower + "～" + band.upper + "  " + std::to_string(n) + " " + unit + "  " +
                                        ShareText(n, counts.total) + "%"});
  }
  return LegendImage(title, entries);
}

std::string LegendImage(const std::string& title, const std::vector<LegendEntry>& entries) {
  // Measure on a scratch surface, then draw at the size the texts need.
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> scratch(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1), cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> measure(cairo_create(scratch.get()), cairo_destroy);
  cairo_select_font_face(measure.get(), "Noto Sans CJK SC", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(measure.get(), kFont);
  double widest = 0;
  cairo_text_extents_t ext;
  cairo_text_extents(measure.get(), title.c_str(), &ext);
  widest = ext.x_advance;
  for (const LegendEntry& e : entries) {
    cairo_text_extents(measure.get(), e.text.c_str(), &ext);
    widest = std::max(widest, kSwatch + kPad + ext.x_advance);
  }
  const int width = static_cast<int>(std::min(2000.0, widest + 2 * kPad)) + 1;
  const int height = static_cast<int>(kPad * 2 + kLine * static_cast<double>(entries.size() + 1));

  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
  cairo_t* c = cr.get();
  cairo_set_source_rgba(c, 1, 1, 1, 0.85);
  cairo_paint(c);
  cairo_select_font_face(c, "Noto Sans CJK SC", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(c, kFont);
  cairo_set_source_rgb(c, 0, 0, 0);
  cairo_move_to(c, kPad, kPad + kFont);
  cairo_show_text(c, title.c_str());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const double top = kPad + kLine * static_cast<double>(i + 1);
    const ColourValue colour = entries[i].colour;  // 0x00BBGGRR
    cairo_set_source_rgb(c, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0);
    cairo_rectangle(c, kPad, top + 2, kSwatch, kSwatch);
    cairo_fill_preserve(c);
    cairo_set_source_rgb(c, 0.3, 0.3, 0.3);
    cairo_set_line_width(c, 1);
    cairo_stroke(c);
    cairo_set_source_rgb(c, 0, 0, 0);
    cairo_move_to(c, kPad + kSwatch + kPad, top + kFont + 1);
    cairo_show_text(c, entries[i].text.c_str());
  }
  cairo_surface_flush(surface.get());
  std::string png;
  if (cairo_surface_write_to_png_stream(surface.get(), Append, &png) != CAIRO_STATUS_SUCCESS)
    throw Error("无法生成图例图片");
  return png;
}

std::string LegendOverlay(const std::string& href) {
  return "<ScreenOverlay>\r\n<name>图例</name>\r\n<Icon><href>" + href +
         "</href></Icon>\r\n<overlayXY x=\"0\" y=\"0\" xunits=\"fraction\" yunits=\"fraction\"/>\r\n"
         "<screenXY x=\"10\" y=\"30\" xunits=\"pixels\" yunits=\"pixels\"/>\r\n"
         "<size x=\"0\" y=\"0\" xunits=\"pixels\" yunits=\"pixels\"/>\r\n</ScreenOverlay>";
}

}  // namespace tessaro
