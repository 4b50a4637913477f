#pragma once
// The line-per-item writer of a KML layer: UTF-8, CR LF after every line, no
// indentation. The file appears under its name only when commit() is called
// after the epilogue (see OutputFile).
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/OutputFile.h"
#include "common/OutputPath.h"
#include "common/ZipStream.h"
#include "kml/KmlCoordinates.h"

namespace tessaro {

class SuperOverlay;

inline constexpr const char* kKmlNamespace = "http://www.opengis.net/kml/2.2";

// "&", "<" and ">" as &amp; &lt; &gt; so that any cell text is safe inside
// element content; a character XML 1.0 cannot carry (U+0000-U+0008, U+000B,
// U+000C, U+000E-U+001F, U+FFFE, U+FFFF) and a byte that is not part of
// well-formed UTF-8 become U+FFFD, so the document always parses.
std::string XmlEscape(std::string_view text);
void AppendXmlEscaped(std::string& out, std::string_view text);
// The same for an attribute value in double quotes (also escapes '"').
void AppendXmlAttribute(std::string& out, std::string_view text);

// How a layer is written beyond its lines; left at these values the file is
// exactly the layer's lines.
struct KmlOutputOptions {
  // A KMZ super-overlay of tiles (see Regionate.h); the output name must
  // end in ".kmz".
  bool regionate = false;
  // Longitudes and latitudes rounded to at most this many decimals
  // (RoundDecimalText); negative: written as read or computed.
  int decimals = -1;
};

// A layer written as a KMZ (output name ending in ".kmz", any case) is a zip
// holding "doc.kml" first, then every local file the layer points to under
// "files/" (a regionated KMZ: under "tiles/", beside the tiles that use
// them). Either way the file appears only when it is complete.
//
// A KMZ's entries carry the time of `source` (the workbook the layer is made
// from), or SOURCE_DATE_EPOCH (seconds, UTC) where that is set, so the same
// layer made twice from the same workbook, by a window or the command line,
// is the same bytes. Without either they carry the time of writing.
class KmlWriter {
 public:
  explicit KmlWriter(const std::string& path, const KmlOutputOptions& options = {}, const std::string& source = {});
  ~KmlWriter();
  KmlWriter(const KmlWriter&) = delete;
  KmlWriter& operator=(const KmlWriter&) = delete;

  // One whole line; the text is written as given (escape cell values first).
  void line(std::string_view text);
  // "<tag>" + escaped text + "</tag>" on one line.
  void element(std::string_view tag, std::string_view text);
  // The three prologue lines and the two epilogue lines.
  void prologue();
  void epilogue();

  // The href (escaped) of a local file the layer points to: its path in a
  // KML; in a KMZ the file goes inside as "files/NAME" and that is the href
  // (regionated: inside as "tiles/NAME", the href the bare NAME).
  [[nodiscard]] std::string localHref(const std::string& path);
  // A file made with the layer (a legend image): inside a KMZ as
  // "files/NAME"; beside a KML as STEM_NAME (STEM the KML's name without
  // ".kml"), replaced together with it. Returns the href (escaped).
  std::string attach(const std::string& name, std::string bytes);

  // Completes the file(s) and puts them in place. Throws Error.
  void commit();
  const std::string& path() const { return file_.target(); }
  bool isKmz() const { return zip_ != nullptr; }

 private:
  void flush();
  OutputFile file_;
  std::unique_ptr<ZipStream> zip_;
  std::unique_ptr<SuperOverlay> overlay_;  // regionated: takes the lines
  std::unique_ptr<CoordinateRounder> rounder_;  // a plain layer's --decimals
  std::string buffer_;  // lines of doc.kml not yet deflated
  std::string scratch_;
  std::vector<std::pair<std::string, std::string>> local_;  // KMZ: entry name, path on disk
  std::vector<std::pair<std::string, std::string>> attached_;  // KMZ: entry name, bytes
  std::vector<std::unique_ptr<OutputFile>> beside_;  // KML: files made with it
};

class RecordSet;

// Fields `firstField` on of a result row as an attribute table
// (<ExtendedData><Data name="FIELD"><value>TEXT</value></Data>...), which
// Google Earth shows in the balloon and GDAL reads as fields.
void WriteExtendedData(KmlWriter& out, const RecordSet& rows, std::size_t row, int firstField);

// Where KmlWriter::attach puts a file made with a KML: STEM_NAME beside it.
std::string BesidePath(const std::string& kmlPath, const std::string& name);

}  // namespace tessaro
