#include "kml/KmlWriter.h"

namespace tessaro {

void AppendXmlEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out.push_back(c);
    }
  }
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendXmlEscaped(out, text);
  return out;
}

void KmlWriter::element(std::string_view tag, std::string_view text) {
  scratch_.clear();
  scratch_ += '<';
  scratch_ += tag;
  scratch_ += '>';
  AppendXmlEscaped(scratch_, text);
  scratch_ += "</";
  scratch_ += tag;
  scratch_ += '>';
  file_.writeLine(scratch_);
}

void KmlWriter::prologue() {
  line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  line(std::string("<kml xmlns=\"") + kKmlNamespace + "\">");
  line("<Document>");
}

void KmlWriter::epilogue() {
  line("</Document>");
  line("</kml>");
}

}  // namespace tessaro
