#include "kml/DriveTestLegend.h"

#include <cairo.h>
#include <pango/pangocairo.h>

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

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using CairoPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, Unref>;

// The families the legend asks for, best first. fontconfig sorts every other
// installed font behind them, and pango takes each character from the first
// font that has it, so Chinese text draws with whatever CJK font the machine
// has instead of as empty boxes.
constexpr const char* kFamilies = "Noto Sans CJK SC,WenQuanYi Zen Hei,Droid Sans Fallback,sans-serif";

// One line of legend text at a time, laid out by pango in the legend's font.
// It owns its font map, so nothing of it outlives the image or is shared
// between the threads that draw legends.
class LegendFont {
 public:
  LegendFont()
      : scratch_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1), cairo_surface_destroy),
        measure_(cairo_create(scratch_.get()), cairo_destroy),
        map_(pango_cairo_font_map_new()),
        context_(pango_font_map_create_context(map_.get())) {
    pango_context_set_language(context_.get(), pango_language_from_string("zh-cn"));
    target(measure_.get());
    layout_.reset(pango_layout_new(context_.get()));
    // A line break or tab inside a cell value stays on the one line.
    pango_layout_set_single_paragraph_mode(layout_.get(), TRUE);
    std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
        pango_font_description_from_string(kFamilies), pango_font_description_free);
    pango_font_description_set_absolute_size(description.get(), kFont * PANGO_SCALE);
    pango_layout_set_font_description(layout_.get(), description.get());
  }

  // Lays out for drawing on `c` (its font options: antialiasing, hinting).
  void target(cairo_t* c) {
    pango_cairo_update_context(c, context_.get());
    if (layout_) pango_layout_context_changed(layout_.get());
  }

  // The advance of `text`, in pixels.
  double width(const std::string& text) {
    set(text);
    PangoRectangle logical;
    pango_layout_get_extents(layout_.get(), nullptr, &logical);
    return static_cast<double>(logical.width) / PANGO_SCALE;
  }

  int unknownGlyphs(const std::string& text) {
    set(text);
    return pango_layout_get_unknown_glyphs_count(layout_.get());
  }

  // Draws `text` in the current source colour with its baseline at (x, baseline).
  void draw(cairo_t* c, double x, double baseline, const std::string& text) {
    set(text);
    cairo_move_to(c, x, baseline);
    pango_cairo_show_layout_line(c, pango_layout_get_line_readonly(layout_.get(), 0));
  }

 private:
  // pango wants valid UTF-8: a stray byte becomes U+FFFD rather than a
  // warning on standard error and a dropped line.
  void set(const std::string& text) {
    std::unique_ptr<gchar, decltype(&g_free)> valid(
        g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), g_free);
    pango_layout_set_text(layout_.get(), valid.get(), -1);
  }

  SurfacePtr scratch_;
  CairoPtr measure_;
  GObjectPtr<PangoFontMap> map_;
  GObjectPtr<PangoContext> context_;
  GObjectPtr<PangoLayout> layout_;
};

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
  LegendFont font;
  double widest = font.width(title);
  for (const LegendEntry& e : entries) widest = std::max(widest, kSwatch + kPad + font.width(e.text));
  const int width = static_cast<int>(std::min(2000.0, widest + 2 * kPad)) + 1;
  const int height = static_cast<int>(kPad * 2 + kLine * static_cast<double>(entries.size() + 1));

  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), cairo_surface_destroy);
  CairoPtr cr(cairo_create(surface.get()), cairo_destroy);
  cairo_t* c = cr.get();
  cairo_set_source_rgba(c, 1, 1, 1, 0.85);
  cairo_paint(c);
  font.target(c);
  cairo_set_source_rgb(c, 0, 0, 0);
  font.draw(c, kPad, kPad + kFont, title);
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
    font.draw(c, kPad + kSwatch + kPad, top + kFont + 1, entries[i].text);
  }
  cairo_surface_flush(surface.get());
  std::string png;
  if (cairo_surface_write_to_png_stream(surface.get(), Append, &png) != CAIRO_STATUS_SUCCESS)
    throw Error("无法生成图例图片");
  return png;
}

LegendTextExtent MeasureLegendText(const std::string& text) {
  LegendFont font;
  return {font.width(text), font.unknownGlyphs(text)};
}

std::string LegendOverlay(const std::string& href) {
  return "<ScreenOverlay>\r\n<name>图例</name>\r\n<Icon><href>" + href +
         "</href></Icon>\r\n<overlayXY x=\"0\" y=\"0\" xunits=\"fraction\" yunits=\"fraction\"/>\r\n"
         "<screenXY x=\"10\" y=\"30\" xunits=\"pixels\" yunits=\"pixels\"/>\r\n"
         "<size x=\"0\" y=\"0\" xunits=\"pixels\" yunits=\"pixels\"/>\r\n</ScreenOverlay>";
}

}  // namespace tessaro
