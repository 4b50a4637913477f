// The worksheet scanner gives the events expat gives for the same document,
// however the bytes are cut into chunks, and refuses what expat refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source/ZipXml.h"

namespace tessaro::source {
namespace {

// Records every event as a line; text is collected inside every element.
class Recorder : public XmlPart {
 public:
  explicit Recorder(Parser parser) : XmlPart(parser) {}
  std::vector<std::string> events;

 protected:
  void start(const char* name, const char** attrs) override {
    flush();
    std::string line = std::string("<") + name;
    for (int i = 0; attrs[i]; i += 2) line += std::string(" ") + attrs[i] + "=[" + attrs[i + 1] + "]";
    events.push_back(line);
    capture_ = true;
  }
  void end(const char* name) override {
    flush();
    events.push_back(std::string("/") + name);
  }

 private:
  void flush() {
    if (!text_.empty()) events.push_back("text[" + text_ + "]");
    text_.clear();
  }
};

// Events of `xml` fed in chunks of `chunk` bytes, or "error".
std::vector<std::string> Parse(XmlPart::Parser parser, const std::string& xml, std::size_t chunk) {
  Recorder r(parser);
  try {
    for (std::size_t at = 0; at < xml.size(); at += chunk)
      r.feed(xml.data() + at, std::min(chunk, xml.size() - at), false, "part");
    r.feed("", 0, true, "part");
  } catch (const Error&) {
    return {"error"};
  }
  return r.events;
}

const char* const kWellFormed[] = {
    // What spreadsheet writers put in sheets.
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<worksheet><sheetData><row r=\"1\" spans=\"1:2\">"
    "<c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"3\"><v>113.25</v></c></row></sheetData></worksheet>",
    // Prefixes, single quotes, blanks around "=", ">" inside a value.
    "<x:worksheet xmlns:x='urn:x'><x:sheetData><x:row r = '2' ><x:c r='A2' t='inlineStr'><x:is><x:t>a&gt;b</x:t>"
    "</x:is></x:c></x:row></x:sheetData></x:worksheet>",
    // References, CDATA, comments, processing instructions, line ends.
    "\xEF\xBB\xBF<w><!-- note --><?pi data?><t>&lt;&amp;&quot;&apos;&#65;&#x4e2d;&#x1F600;</t>"
    "<t><![CDATA[<raw> & ]]></t><t>line\r\nbreak\rcr\ttab</t><e a=\"x&#10;y\r\nz\tw&amp;\"/></w>",
    // Rich text with phonetic runs, the _xHHHH_ escape left to the reader.
    "<sst><si><r><t xml:space=\"preserve\"> 基站 </t></r><rPh sb=\"0\" eb=\"1\"><t>キ</t></rPh>"
    "<r><t>_x000D_A</t></r></si></sst>",
    // Self-closing elements and empty text.
    "<a><b/><c></c><d x=\"\"/></a>",
    // A comment after the root, blanks around it.
    "  <a>x</a>\n<!-- end -->\n",
};

TEST(SheetScanner, GivesExpatsEventsWhateverTheChunks) {
  for (const char* doc : kWellFormed) {
    SCOPED_TRACE(doc);
    const std::vector<std::string> expected = Parse(XmlPart::Parser::General, doc, 1 << 20);
    ASSERT_NE(expected, std::vector<std::string>{"error"});
    for (std::size_t chunk : {std::size_t(1), std::size_t(2), std::size_t(7), std::size_t(1) << 20})
      EXPECT_EQ(Parse(XmlPart::Parser::Sheet, doc, chunk), expected) << "chunk " << chunk;
  }
}

TEST(SheetScanner, RefusesWhatExpatRefuses) {
  const char* const malformed[] = {
      "<a><b></a></b>",                // mismatched
      "<a>",                           // unclosed
      "<a></a><b></b>",                // two roots
      "text<a></a>",                   // text before the root
      "<a>&unknown;</a>",              // undefined entity
      "<a>&#0;</a>",                   // not a character
      "<a>\x01</a>",                   // control character
      "<a>\xC3\x28</a>",               // bad UTF-8
      "<a>\xED\xA0\x80</a>",           // a surrogate in UTF-8
      "<a x=\"1\" x=\"2\"/>",          // duplicate attribute
      "<a x=\"<\"/>",                  // "<" in a value
      "<a>]]></a>",                    // CDATA end in text
      "<a><!-- a -- b --></a>",        // "--" in a comment
      "<1a/>",                         // bad name
      "",                              // nothing
  };
  for (const char* doc : malformed) {
    SCOPED_TRACE(doc);
    EXPECT_EQ(Parse(XmlPart::Parser::General, doc, 1 << 20), std::vector<std::string>{"error"});
    for (std::size_t chunk : {std::size_t(1), std::size_t(1) << 20})
      EXPECT_EQ(Parse(XmlPart::Parser::Sheet, doc, chunk), std::vector<std::string>{"error"});
  }
  // A package part may not declare a document type (no entity tricks).
  EXPECT_EQ(Parse(XmlPart::Parser::Sheet, "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", 64),
            std::vector<std::string>{"error"});
}

TEST(SheetScanner, NestingAndTokensAreBounded) {
  for (auto parser : {XmlPart::Parser::General, XmlPart::Parser::Sheet}) {
    std::string deep;
    for (int i = 0; i < kMaxDepth; ++i) deep += "<a>";
    for (int i = 0; i < kMaxDepth; ++i) deep += "</a>";
    EXPECT_NE(Parse(parser, deep, 4096), std::vector<std::string>{"error"});
    EXPECT_EQ(Parse(parser, "<b>" + deep + "</b>", 4096), std::vector<std::string>{"error"});
  }
  // A tag that never ends is refused once it outgrows any real one.
  const std::string endless = "<a b=\"" + std::string(8 << 20, 'x');
  EXPECT_EQ(Parse(XmlPart::Parser::Sheet, endless, 1 << 16), std::vector<std::string>{"error"});
  // Long text is read in pieces, not held whole.
  const std::string text(300000, 'y');
  const auto events = Parse(XmlPart::Parser::Sheet, "<a>" + text + "&amp;</a>", 1 << 16);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1], "text[" + text + "&]");
}

}  // namespace
}  // namespace tessaro::source
