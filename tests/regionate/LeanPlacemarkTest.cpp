// Placemarks of the plain layers made lean: what stays, what is shared, and
// the KML 2.2 schema's element order where the plain layers differ from it.
#include <gtest/gtest.h>

#include "common/Error.h"
#include "kml/LeanPlacemark.h"

using namespace tessaro;

TEST(LeanPlacemark, StylesComeOutInTheSchemasOrder) {
  const struct {
    const char* plain;
    const char* lean;
  } cases[] = {
      // Drive test: the KML 2.1 palette cell after the icon's href goes.
      {"<IconStyle>\r\n<color>FF0000FF</color>\r\n<scale>0.4</scale>\r\n<Icon>\r\n"
       "<href>https://x/shaded_dot.png</href><x>128</x><y>192</y><w>72</w><h>72</h>\r\n</Icon></IconStyle>",
       "<IconStyle><color>FF0000FF</color><scale>0.4</scale><Icon><href>https://x/shaded_dot.png</href></Icon>"
       "</IconStyle>"},
      // Fly line: <color> before <width>.
      {"<LineStyle>\r\n<width>1</width>\r\n<color>7d563412</color>\r\n</LineStyle>",
       "<LineStyle><color>7d563412</color><width>1</width></LineStyle>"},
      // Landmark names: <color> before <scale>; the blank icon stays.
      {"<IconStyle>\r\n<Icon> </Icon>\r\n</IconStyle>\r\n<LabelStyle>\r\n<scale>0.8</scale>\r\n<color>FFFFFFFF</color>\r\n"
       "</LabelStyle>",
       "<IconStyle><Icon> </Icon></IconStyle><LabelStyle><color>FFFFFFFF</color><scale>0.8</scale></LabelStyle>"},
  };
  for (const auto& c : cases) EXPECT_EQ(LeanStyle(c.plain), c.lean);
}

TEST(LeanPlacemark, CellTextsStayAsTheyAre) {
  // A cell text's own line break stays; so does an element that is only one;
  // a cell text that looks like the style's mark is only text.
  const LeanPlacemark point = MakeLean(
      "<Placemark>\r\n<name>\r\n</name>\r\n<description>第一行\r\n第二行 &lt;@style@&gt;</description>\r\n"
      "<TimeStamp><when>2024-05-01T08:00:00</when></TimeStamp>\r\n<styleUrl>#btsname</styleUrl>\r\n<Point>\r\n"
      "<coordinates>\r\n113.2645,23.1234,0\r\n</coordinates>\r\n</Point>\r\n</Placemark>\r\n",
      -1);
  EXPECT_EQ(point.text,
            "<Placemark><name>\r\n</name><description>第一行\r\n第二行 &lt;@style@&gt;</description><TimeStamp><when>"
            "2024-05-01T08:00:00</when></TimeStamp><@style@><Point><coordinates>113.2645,23.1234,0</coordinates></Point>"
            "</Placemark>");
  EXPECT_EQ(point.styleRef, "#btsname");
  EXPECT_EQ(point.when, "2024-05-01T08:00:00");

  EXPECT_THROW(MakeLean("<Placemark>\r\n<Point>\r\n<coordinates>\r\n东,23\r\n</coordinates>\r\n</Point>\r\n</Placemark>", -1),
               Error);
}
