#pragma once
// Zip parts streamed into an XML parser: what the .xlsx and .ods readers
// share. Only src/source/ includes this header.
//
// Two parsers sit behind one event interface: expat for the small parts of a
// package, and a scanner made for worksheet XML, which is most of a large
// workbook's bytes. The scanner takes every well-formed document that has no
// document type declaration (a package part may not have one) and gives the
// same events expat gives; it refuses malformed markup, bad UTF-8 and
// control characters as expat does. Both refuse nesting deeper than
// kMaxDepth, so a part cannot make the parser keep millions of open tags.
#include <expat.h>
#include <minizip/unzip.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "common/Error.h"
#include "common/Progress.h"

namespace tessaro::source {

// Local name of an element or attribute ("x:row" -> "row"). Names are
// short: a plain loop beats a library call here.
inline const char* Local(const char* name) {
  const char* local = name;
  for (const char* p = name; *p; ++p)
    if (*p == ':') local = p + 1;
  return local;
}

// The value of the attribute with this local name, or null.
inline const char* Attr(const char** attrs, const char* localName) {
  for (int i = 0; attrs[i]; i += 2) {
    const char* a = Local(attrs[i]);
    const char* b = localName;
    while (*a && *a == *b) ++a, ++b;
    if (*a == *b) return attrs[i + 1];
  }
  return nullptr;
}

// The longest text a single element may collect: a cell holds at most 32767
// characters, so far longer text is a damaged or hostile file.
constexpr std::size_t kMaxText = 1 << 20;

// The deepest nesting of elements a part may have. A worksheet needs about
// six levels (worksheet, sheetData, row, c, is, r, t), its extensions a few
// more.
constexpr int kMaxDepth = 64;

class SheetScanner;

// The reason for an XML error, in Chinese (expat gives English).
const char* XmlErrorReason(XML_Error code);

// An XML parser fed from a zip part. Subclasses handle the events.
class XmlPart {
 public:
  enum class Parser { General, Sheet };
  explicit XmlPart(Parser parser = Parser::General);
  virtual ~XmlPart();
  XmlPart(const XmlPart&) = delete;
  XmlPart& operator=(const XmlPart&) = delete;

  // Stops parsing after the current event (no error).
  void stop();
  bool stopped() const { return stopped_ && !error_; }

  // Feeds one chunk; `last` on the final chunk. Throws Error on bad XML.
  void feed(const char* data, std::size_t size, bool last, const std::string& part);

 protected:
  virtual void start(const char* name, const char** attrs) = 0;
  virtual void end(const char* name) = 0;
  // While true, character data is collected into text_.
  bool capture_ = false;
  std::string text_;

 private:
  friend class SheetScanner;
  static void OnStart(void* self, const char* name, const char** attrs);
  static void OnEnd(void* self, const char* name);
  static void OnText(void* self, const char* s, int len);
  void fail(std::exception_ptr e);
  void appendText(const char* s, std::size_t len);

  XML_Parser parser_ = nullptr;
  std::unique_ptr<SheetScanner> scanner_;
  int depth_ = 0;
  bool stopped_ = false;
  std::exception_ptr error_;
};

// The zip container.
class Zip {
 public:
  explicit Zip(const std::string& path);  // throws Error when the directory cannot be read
  ~Zip();
  Zip(const Zip&) = delete;
  Zip& operator=(const Zip&) = delete;

  bool has(const std::string& part);

  // The first `max` bytes of a part (all of it when shorter); "" when the
  // part is missing or cannot be read.
  std::string head(const std::string& part, std::size_t max);

  // The uncompressed size the zip directory declares for a part (0 when the
  // part is missing).
  std::uint64_t declaredSize(const std::string& part);
  // The bytes a part takes in the file, compressed (0 when it is missing).
  std::uint64_t storedSize(const std::string& part);

  // Streams a part into `xml`. A part read to its end has its CRC checked; a
  // part that inflates to more than its declared size is damaged. Large parts
  // are inflated on a second thread while this one parses. `progress`, when
  // given, follows the share of the part read (0..1000) and stops the reading
  // (Cancelled) once it is cancelled.
  void parse(const std::string& part, XmlPart& xml, Progress* progress = nullptr);

 private:
  void parseHere(const std::string& part, std::uint64_t size, XmlPart& xml, Progress* progress);
  void parseInflating(const std::string& part, std::uint64_t size, XmlPart& xml, Progress* progress);

  std::string path_;
  unzFile zip_ = nullptr;
};

}  // namespace tessaro::source
