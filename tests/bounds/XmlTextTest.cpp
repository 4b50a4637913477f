// Every text that goes into a KML is XML 1.0: characters XML cannot carry
// and bytes that are not UTF-8 become U+FFFD, and the document parses.
#include "bounds/Books.h"
#include "kml/KmlWriter.h"

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

// A byte XML 1.0 refuses in a document (C0 controls other than tab, LF, CR).
bool HasRawControl(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return true;
  return false;
}

}  // namespace

TEST(XmlText, EscapingReplacesWhatXmlCannotCarry) {
  const struct {
    const char* label;
    std::string in, element, attribute;
  } cases[] = {
      {"markup", "a&<>\"b", "a&amp;&lt;&gt;\"b", "a&amp;&lt;&gt;&quot;b"},
      {"tab, LF, CR and DEL kept", "a\tb\nc\rd\x7F", "a\tb\nc\rd\x7F", "a\tb\nc\rd\x7F"},
      {"C0 controls",
       std::string("a\x00"
                   "b\x01\x08\x0B\x0C\x0E\x1F",
                   9),
       "a" + kFffd + "b" + kFffd + kFffd + kFffd + kFffd + kFffd + kFffd, ""},
      {"U+FFFE and U+FFFF", "\xEF\xBF\xBE\xEF\xBF\xBF", kFffd + kFffd, kFffd + kFffd},
      {"U+FFFD, CJK and a 4-byte character kept", "\xEF\xBF\xBD基站\xF0\x9F\x93\xA1",
       "\xEF\xBF\xBD基站\xF0\x9F\x93\xA1", ""},
      {"stray continuation and cut sequence",
       "a\x80"
       "b\xE5\x9F",
       "a" + kFffd + "b" + kFffd + kFffd, ""},
      {"overlong, surrogate, beyond U+10FFFF", "\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80",
       kFffd + kFffd + kFffd + kFffd + kFffd + kFffd + kFffd + kFffd + kFffd, ""},
      {"a GBK byte pair is not UTF-8", "\xBB\xF9", kFffd + kFffd, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(tessaro::XmlEscape(c.in), c.element);
    std::string attribute;
    tessaro::AppendXmlAttribute(attribute, c.in);
    EXPECT_EQ(attribute, c.attribute.empty() ? c.element : c.attribute);
  }
}

TEST_F(Books, CellsWithControlCharactersGiveLayersThatViewersRead) {
  ASSERT_TRUE(made_) << "cannot make the workbooks (python3-xlsxwriter)";
  const struct {
    const char* file;
    std::vector<std::string> args;
  } runs[] = {
      // names, descriptions, attribute tables (a header too) and folder names
      {"cells.kml",
       {"kml-sector", Book("controls.xlsx"), "--sheet", "小区", "--description", "备注\x01", "--attributes",
        "--folders", "站点", "--label-scale", "0.8\xFF"}},
      // point names, descriptions, attribute tables, the legend's overlay
      {"points.kmz",
       {"kml-drivetest", Book("controls.xlsx"), "--sheet", "路测", "--name", "点名", "--description", "点名",
        "--attributes", "--legend"}},
      {"marks.kml",
       {"kml-landmark", Book("controls.xlsx"), "--sheet", "路测", "--name", "点名", "--value", "点名", "--icon",
        "p\x02q=点图标"}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.file);
    std::vector<std::string> args = run.args;
    args.insert(args.end(), {"-o", run.file, "-q"});
    const Ran r = Cli(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string kml = ReadFile(dir_ / run.file);
    if (std::string(run.file).find(".kmz") != std::string::npos) {
      const Ran unzip = Client({"unzip", "-p", run.file, "doc.kml"});
      ASSERT_EQ(unzip.status, 0) << unzip.err;
      kml = unzip.out;
    }
    EXPECT_FALSE(HasRawControl(kml));
    EXPECT_NE(kml.find(kFffd), std::string::npos);
    std::ofstream(dir_ / "doc.kml", std::ios::binary) << kml;
    const Ran lint = Client({"xmllint", "--noout", "doc.kml"});
    EXPECT_EQ(lint.status, 0) << lint.err;
    const Ran gdal = Client({"ogrinfo", "-ro", "-al", "-q", run.file});
    EXPECT_EQ(gdal.status, 0) << gdal.err;
    EXPECT_EQ(gdal.err.find("ERROR"), std::string::npos) << gdal.err;
  }
  // What the cells held reads back as U+FFFD in place of each character.
  const std::string cells = ReadFile(dir_ / "cells.kml");
  EXPECT_NE(cells.find("<name>A" + kFffd + "站-1</name>"), std::string::npos);
  EXPECT_NE(cells.find("x" + kFffd + "y" + kFffd + "z"), std::string::npos);
  EXPECT_NE(cells.find("<Data name=\"备注" + kFffd + "\">"), std::string::npos);
  EXPECT_NE(cells.find("<name>S" + kFffd + "</name>"), std::string::npos);
  EXPECT_NE(cells.find("<scale>0.8" + kFffd + "</scale>"), std::string::npos);
}
