#include "kml/KmlWriter.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

#include "common/Error.h"
#include "common/ReadFile.h"
#include "source/Provider.h"

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

void AppendXmlAttribute(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '"') out += "&quot;";
    else AppendXmlEscaped(out, std::string_view(&c, 1));
  }
}

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

KmlWriter::KmlWriter(const std::string& path, const std::string& source) : file_(path) {
  if (IsKmzName(path)) {
    zip_ = std::make_unique<ZipStream>([this](std::string_view bytes) { file_.write(bytes); });
    DateEntries(*zip_, source);
    zip_->begin("doc.kml");
  }
}

KmlWriter::~KmlWriter() = default;

void KmlWriter::flush() {
  zip_->write(buffer_);
  buffer_.clear();
}

void KmlWriter::line(std::string_view text) {
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
  for (const auto& [entry, onDisk] : local_)
    if (onDisk == path) return XmlEscape(entry);
  std::string entry = "files/" + BaseName(path);
  for (int k = 2; std::any_of(local_.begin(), local_.end(), [&](const auto& l) { return l.first == entry; }); ++k)
    entry = "files/" + std::to_string(k) + "_" + BaseName(path);
  local_.emplace_back(entry, path);
  return XmlEscape(entry);
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
  if (zip_) {
    flush();
    zip_->end();
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
