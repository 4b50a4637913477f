#pragma once
// The line-per-item writer of a KML layer: UTF-8, CR LF after every line, no
// indentation. The file appears under its name only when commit() is called
// after the epilogue (see OutputFile).
#include <string>
#include <string_view>

#include "common/OutputFile.h"

namespace tessaro {

inline constexpr const char* kKmlNamespace = "http://www.opengis.net/kml/2.2";

// "&", "<" and ">" as &amp; &lt; &gt; so that any cell text is safe inside
// element content.
std::string XmlEscape(std::string_view text);
void AppendXmlEscaped(std::string& out, std::string_view text);

class KmlWriter {
 public:
  explicit KmlWriter(const std::string& path) : file_(path) {}
  // One whole line; the text is written as given (escape cell values first).
  void line(std::string_view text) { file_.writeLine(text); }
  // "<tag>" + escaped text + "</tag>" on one line.
  void element(std::string_view tag, std::string_view text);
  // The three prologue lines and the two epilogue lines.
  void prologue();
  void epilogue();
  void commit() { file_.commit(); }
  const std::string& path() const { return file_.target(); }

 private:
  OutputFile file_;
  std::string scratch_;
};

}  // namespace tessaro
