#pragma once
// Zip parts streamed into an expat parser: what the .xlsx and .ods readers
// share. Only src/source/ includes this header.
#include <expat.h>
#include <minizip/unzip.h>

#include <cstddef>
#include <exception>
#include <string>

#include "common/Error.h"
#include "common/Progress.h"

namespace tessaro::source {

// Local name of an element or attribute ("x:row" -> "row").
const char* Local(const char* name);

// The value of the attribute with this local name, or null.
const char* Attr(const char** attrs, const char* localName);

// The longest text a single element may collect: a cell holds at most 32767
// characters, so far longer text is a damaged or hostile file.
constexpr std::size_t kMaxText = 1 << 20;

// An expat parser fed from a zip part. Subclasses handle the events.
class XmlPart {
 public:
  XmlPart();
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
  static void OnStart(void* self, const char* name, const char** attrs);
  static void OnEnd(void* self, const char* name);
  static void OnText(void* self, const char* s, int len);
  void fail(std::exception_ptr e);

  XML_Parser parser_;
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

  // Streams a part into `xml`. A part read to its end has its CRC checked.
  // `progress`, when given, follows the share of the part read (0..1000).
  void parse(const std::string& part, XmlPart& xml, Progress* progress = nullptr);

 private:
  std::string path_;
  unzFile zip_ = nullptr;
};

}  // namespace tessaro::source
