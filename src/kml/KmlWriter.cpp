#include "kml/KmlWriter.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "common/Error.h"
#include "common/ReadFile.h"
#include "common/Text.h"
#include "kml/Regionate.h"
#include "source/Provider.h"

namespace tessaro {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Every text of a KML goes through here. Besides the markup characters, a
// character XML 1.0 cannot carry (C0 controls other than tab, line feed and
// carriage return; U+FFFE; U+FFFF) and every byte that is not part of
// well-formed UTF-8 become U+FFFD: one such character in a cell would
// otherwise make the whole document unreadable to every viewer.
void AppendXmlText(std::string& out, std::string_view text, bool quote) {
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      out += kReplacement;
      ++i;
      continue;
    }
    if (b < 0x80) {
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += quote ? "&quot;" : "\""; break;
        default: out.push_back(c);
      }
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t len = Utf8Sequence(text.substr(i), cp);
    if (len == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(cp == 0xFFFE || cp == 0xFFFF ? kReplacement : text.substr(i, len));
      i += len;
    }
  }
}

}  // namespace

void AppendXmlEscaped(std::string& out, std::string_view text) { AppendXmlText(out, text, false); }

void AppendXmlAttribute(std::string& out, std::string_view text) { AppendXmlText(out, text, true); }

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendXmlEscaped(out, text);
  return out;
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file the layer references (an icon), read to go into the KMZ: a
// regular file of at most 64 MiB, so a pipe under an icon's name cannot
// block the command.
std::string ReadWhole(const std::string& path) {
  try {
    return ReadSmallFile(path, std::size_t(64) << 20);
  } catch (const Error& e) {
    throw Error("找不到图层引用的文件，无法放入 KMZ：" + path + "（" + e.what() + "）");
  }
}

constexpr std::size_t kZipChunk = 1 << 16;

// The entries' time: SOURCE_DATE_EPOCH (whole seconds, UTC) where it is set,
// else the source's modification time (local, as zip tools show times).
void DateEntries(ZipStream& zip, const std::string& source) {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
    long long seconds = 0;
    const char* end = epoch + std::strlen(epoch);
    const auto [ptr, ec] = std::from_chars(epoch, end, seconds);
    if (ec == std::errc() && ptr == end && seconds >= 0) {
      zip.setEntryTime(static_cast<std::time_t>(seconds), true);
      return;
    }
  }
  struct stat st {};
  if (!source.empty() && ::stat(source.c_str(), &st) == 0) zip.setEntryTime(st.st_mtime);
}

}  // namespace

void WriteExtendedData(KmlWriter& out, const RecordSet& rows, std::size_t row, int firstField) {
  out.line("<ExtendedData>");
  std::string line;
  for (int i = firstField; i < rows.fieldCount(); ++i) {
    line = "<Data name=\"";
    AppendXmlAttribute(line, rows.fieldName(i));
    line += "\"><value>";
    AppendXmlEscaped(line, rows.at(row, i).text());
    line += "</value></Data>";
    out.line(line);
  }
  out.line("</ExtendedData>");
}

KmlWriter::KmlWriter(const std::string& path, const KmlOutputOptions& options, const std::string& source)
    : file_(path) {
  if (options.regionate && !IsKmzName(path))
    throw Error("分级加载（大图层）只能保存为 KMZ：输出文件名应以 .kmz 结尾（" + path + "）");
  if (IsKmzName(path)) {
    zip_ = std::make_unique<ZipStream>([this](std::string_view bytes) { file_.write(bytes); });
    DateEntries(*zip_, source);
  }
  if (options.regionate) overlay_ = std::make_unique<SuperOverlay>(FolderOf(file_.temporaryPath()), options.decimals);
  else if (zip_) zip_->begin("doc.kml");
  if (options.decimals >= 0 && !overlay_) rounder_ = std::make_unique<CoordinateRounder>(options.decimals);
}

KmlWriter::~KmlWriter() = default;

void KmlWriter::flush() {
  zip_->write(buffer_);
  buffer_.clear();
}

void KmlWriter::line(std::string_view text) {
  if (overlay_) {
    overlay_->line(text);
    return;
  }
  if (rounder_) text = rounder_->apply(text);
  if (!zip_) {
    file_.writeLine(text);
    return;
  }
  buffer_.append(text);
  buffer_.append("\r\n");
  if (buffer_.size() >= kZipChunk) flush();
}

std::string KmlWriter::localHref(const std::string& path) {
  if (!zip_) return XmlEscape(path);
  const std::string folder = overlay_ ? kTileFolder : "files/";
  auto href = [&](const std::string& entry) { return XmlEscape(overlay_ ? entry.substr(folder.size()) : entry); };
  for (const auto& [entry, onDisk] : local_)
    if (onDisk == path) return href(entry);
  std::string entry = folder + BaseName(path);
  for (int k = 2; std::any_of(local_.begin(), local_.end(), [&](const auto& l) { return l.first == entry; }); ++k)
    entry = folder + std::to_string(k) + "_" + BaseName(path);
  local_.emplace_back(entry, path);
  return href(entry);
}

std::string KmlWriter::attach(const std::string& name, std::string bytes) {
  if (zip_) {
    attached_.emplace_back("files/" + name, std::move(bytes));
    return XmlEscape("files/" + name);
  }
  const std::string path = BesidePath(file_.target(), name);
  auto beside = std::make_unique<OutputFile>(path);
  beside->write(bytes);
  beside_.push_back(std::move(beside));
  return XmlEscape(BaseName(path));
}

std::string BesidePath(const std::string& kmlPath, const std::string& name) {
  std::string stem = kmlPath;
  if (EndsWith(Lower(stem), ".kml")) stem.resize(stem.size() - 4);
  return stem + "_" + name;
}

void KmlWriter::commit() {
  if (overlay_) {
    overlay_->write(*zip_);
  } else if (zip_) {
    flush();
    zip_->end();
  }
  if (zip_) {
    for (const auto& [entry, onDisk] : local_) zip_->add(entry, ReadWhole(onDisk));
    for (const auto& [entry, bytes] : attached_) zip_->add(entry, bytes);
    zip_->finish();
  }
  std::vector<OutputFile*> all = {&file_};
  for (auto& b : beside_) all.push_back(b.get());
  CommitAll(all);
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
  line(scratch_);
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
