#pragma once
// The XML scanner behind XmlPart::Parser::Sheet (see ZipXml.h). Only
// ZipXml.cpp uses it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::source {

class XmlPart;

class SheetScanner {
 public:
  explicit SheetScanner(XmlPart& owner) : owner_(owner) {}

  // Scans one chunk; `last` on the final one. Events go to the owner. Throws
  // Error ("工作簿已损坏：PART 第 N 行 XML 无效（reason）") for malformed XML.
  void feed(const char* data, std::size_t size, bool last, const std::string& part);

  // The longest markup token (a tag, comment or processing instruction) the
  // scanner holds while waiting for its end.
  static constexpr std::size_t kMaxToken = std::size_t(4) << 20;

 private:
  struct Fault {
    const char* reason;
    std::size_t at;  // offset in buf_
  };

  std::size_t scan(bool last);
  std::size_t markup(std::size_t at, bool last);
  std::size_t startTag(std::size_t at);
  std::size_t attributeSpans(std::size_t i, bool& empty);
  void decodeAttributes(std::size_t at);
  std::size_t decodeValue(std::size_t vs, std::size_t ve);
  std::size_t endTag(std::size_t at);
  std::size_t special(std::size_t at);
  void text(std::size_t at, std::size_t len, bool cdata);
  void emitStart(char* name, bool empty, std::size_t at);
  std::size_t decodeReference(std::size_t at, std::size_t end, std::string& out);
  std::size_t checkUtf8(std::size_t at, std::size_t end) const;
  std::size_t safeTextCut(std::size_t at, std::size_t len) const;
  [[noreturn]] void fail(const char* reason, std::size_t at) const;

  XmlPart& owner_;
  std::string buf_;  // bytes not yet scanned (a token waiting for its end, then the new chunk)
  std::string part_;
  std::uint64_t lines_ = 1;  // line number at the start of buf_
  // Names of the open elements, each followed by '\0'; starts_ their offsets.
  std::string stack_;
  std::vector<std::size_t> starts_;
  std::vector<const char*> attrs_;
  std::vector<std::size_t> spans_;  // attribute name/value offsets while a tag is read
  std::string decoded_;
  bool begun_ = false;  // the byte order mark has been looked for
  bool rootSeen_ = false;
  bool rootClosed_ = false;
};

}  // namespace tessaro::source
