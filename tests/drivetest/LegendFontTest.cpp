// The legend image's text: Chinese comes from whatever installed font has the
// glyphs (not as empty boxes), and every line fits inside the image.
#include <cairo.h>
#include <pango/pangocairo.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kml/DriveTestLegend.h"

using namespace tessaro;

namespace {

constexpr gunichar kQu = 0x533A;  // 区

// Whether some installed font has 区, asked of fontconfig's full fallback
// list rather than of the legend's own font choice.
bool HaveHanFont() {
  std::unique_ptr<PangoFontMap, decltype(&g_object_unref)> map(pango_cairo_font_map_new(), g_object_unref);
  std::unique_ptr<PangoContext, decltype(&g_object_unref)> context(pango_font_map_create_context(map.get()),
                                                                    g_object_unref);
  std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
      pango_font_description_from_string("sans-serif 13"), pango_font_description_free);
  PangoFontset* set =
      pango_font_map_load_fontset(map.get(), context.get(), description.get(), pango_language_from_string("zh-cn"));
  if (!set) return false;
  PangoFont* font = pango_fontset_get_font(set, kQu);
  const bool has = font && pango_font_has_char(font, kQu);
  if (font) g_object_unref(font);
  g_object_unref(set);
  return has;
}

bool HaveFamily(const char* name) {
  std::unique_ptr<PangoFontMap, decltype(&g_object_unref)> map(pango_cairo_font_map_new(), g_object_unref);
  PangoFontFamily** families = nullptr;
  int n = 0;
  pango_font_map_list_families(map.get(), &families, &n);
  bool found = false;
  for (int i = 0; i < n; ++i) found = found || std::strcmp(pango_font_family_get_name(families[i]), name) == 0;
  g_free(families);
  return found;
}

// The texts a legend draws: band lines of both units, a grid legend's "格",
// category labels, and the data column as the title.
const std::vector<std::string> kTexts = {
    "区间 -120～-95：1234 点（12.3%）", "-95～-90  17 格  0.4%", "格", "服务小区 宝安中心-1", "RX LevSub(dBm)", "电平"};

TEST(LegendFont, ChineseTextComesFromAFontThatHasIt) {
  if (!HaveHanFont()) GTEST_SKIP() << "no installed font has Chinese glyphs";
  for (const std::string& text : kTexts) {
    const LegendTextExtent extent = MeasureLegendText(text);
    EXPECT_GT(extent.width, 0) << text;
    EXPECT_EQ(extent.unknownGlyphs, 0) << text;
  }
}

// A fontconfig setup in which the families the legend asks for by name do not
// exist: every CJK font is renamed as it is scanned (into a private cache).
// Run in a fresh process, where fontconfig reads FONTCONFIG_FILE at start.
std::string RenamingConfig(const dt::fs::path& dir) {
  std::string conf = "<?xml version=\"1.0\"?>\n<fontconfig>\n<dir>/usr/share/fonts</dir>\n<cachedir>" +
                     (dir / "cache").string() + "</cachedir>\n";
  for (const char* family : {"CJK", "WenQuanYi", "Droid Sans Fallback"})
    conf += std::string("<match target=\"scan\"><test name=\"family\" compare=\"contains\"><string>") + family +
            "</string></test><edit name=\"family\" mode=\"assign_replace\"><string>Renamed Han</string></edit>"
            "</match>\n";
  return conf + "</fontconfig>\n";
}

enum ChildCode { kDrawn = 0, kPreferredStillThere = 2, kNoHanFont = 3, kBoxes = 4 };

[[noreturn]] void MeasureWithRenamedFonts(const dt::fs::path& conf) {
  ::setenv("FONTCONFIG_FILE", conf.c_str(), 1);
  if (HaveFamily("Noto Sans CJK SC")) std::_Exit(kPreferredStillThere);
  if (!HaveHanFont()) std::_Exit(kNoHanFont);
  for (const std::string& text : kTexts)
    if (MeasureLegendText(text).unknownGlyphs != 0) std::_Exit(kBoxes);
  std::_Exit(kDrawn);
}

TEST(LegendFont, FallsBackWhenNoPreferredFamilyIsInstalled) {
  const dt::fs::path dir = dt::TempFolder("fonts");
  dt::WriteFile(dir / "fonts.conf", RenamingConfig(dir));
  // "threadsafe" runs the child as a new process of this program, so its
  // fontconfig starts with the renamed fonts.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  int code = -1;
  EXPECT_EXIT(
      MeasureWithRenamedFonts(dir / "fonts.conf"),
      [&code](int status) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return WIFEXITED(status);
      },
      "");
  if (code == kNoHanFont) GTEST_SKIP() << "no installed font has Chinese glyphs";
  EXPECT_EQ(code, kDrawn) << "2: the renaming failed; 4: boxes instead of glyphs";
}

// The image's pixels, premultiplied ARGB, row by row.
struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> argb;
  std::uint32_t at(int x, int y) const { return argb[static_cast<std::size_t>(y * width + x)]; }
};

Pixels Decode(const std::string& png) {
  struct Reader {
    const std::string* bytes;
    std::size_t offset = 0;
  } reader{&png};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(
      [](void* closure, unsigned char* data, unsigned int length) {
        auto* r = static_cast<Reader*>(closure);
        if (r->bytes->size() - r->offset < length) return CAIRO_STATUS_READ_ERROR;
        std::memcpy(data, r->bytes->data() + r->offset, length);
        r->offset += length;
        return CAIRO_STATUS_SUCCESS;
      },
      &reader);
  Pixels p;
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    p.width = cairo_image_surface_get_width(s);
    p.height = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        std::uint32_t v;
        std::memcpy(&v, data + y * stride + x * 4, 4);
        p.argb.push_back(v);
      }
  }
  cairo_surface_destroy(s);
  return p;
}

bool IsInk(std::uint32_t argb) {
  const std::uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  return r < 0x80 && g < 0x80 && b < 0x80;  // dark grey to black: text, not paper or swatch
}

TEST(LegendFont, EveryLineIsDrawnInsideTheImage) {
  const std::string title = "覆盖电平 RxLev（全网 2024 年第三季度路测汇总）";
  std::vector<LegendEntry> entries;
  for (std::size_t i = 0; i < kTexts.size(); ++i) entries.push_back({0x0000FF, kTexts[i]});
  entries.push_back({0x00FF00, "两行\n的值\t与坏字节\xFF"});  // stays one line, no warning
  const Pixels image = Decode(LegendImage(title, entries));
  ASSERT_GT(image.width, 0);
  EXPECT_EQ(image.height, 8 * 2 + 22 * static_cast<int>(entries.size() + 1));

  double widest = MeasureLegendText(title).width;
  for (const LegendEntry& e : entries) widest = std::max(widest, 14 + 8 + MeasureLegendText(e.text).width);
  EXPECT_GE(image.width, widest + 8);
  // A right and bottom margin of paper: no text runs off the image.
  for (int y = 0; y < image.height; ++y)
    for (int x = image.width - 4; x < image.width; ++x) EXPECT_FALSE(IsInk(image.at(x, y))) << x << "," << y;
  for (int x = 0; x < image.width; ++x) EXPECT_FALSE(IsInk(image.at(x, image.height - 1))) << x;
  // Each line, the title included, left ink right of where the swatches end.
  for (std::size_t line = 0; line <= entries.size(); ++line) {
    const int top = 8 + 22 * static_cast<int>(line);
    bool inked = false;
    for (int y = top; y < top + 22 && !inked; ++y)
      for (int x = 8 + 14 + 2; x < image.width && !inked; ++x) inked = IsInk(image.at(x, y));
    EXPECT_TRUE(inked) << "line " << line;
  }
}

}  // namespace
