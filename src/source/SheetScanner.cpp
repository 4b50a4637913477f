// A streaming XML scanner for worksheet parts.
//
// A general parser spends most of a large sheet's time on generality; this
// one reads what a well-formed document without a document type declaration
// can hold (elements, attributes, character and entity references, CDATA,
// comments, processing instructions) and hands the owner the events expat
// would: element names as written (prefix included) with their attributes
// decoded and normalised, and character data with line ends normalised.
#include "source/SheetScanner.h"

#include <algorithm>
#include <cstring>

#include "common/Encoding.h"
#include "common/Error.h"
#include "source/ZipXml.h"

namespace tessaro::source {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Bytes that may continue (1) or start (2) a name, as one table: the scanner
// looks at every byte of every tag name.
struct NameTable {
  unsigned char kind[256] = {};
  NameTable() {
    for (int c = 0; c < 256; ++c) {
      const bool start = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
      const bool more = start || (c >= '0' && c <= '9') || c == '-' || c == '.';
      kind[c] = static_cast<unsigned char>((more ? 1 : 0) | (start ? 2 : 0));
    }
  }
};
const NameTable kNames;

inline bool IsNameChar(unsigned char c) { return kNames.kind[c] & 1; }
inline bool IsNameStart(unsigned char c) { return kNames.kind[c] & 2; }

// Line breaks in [p, p + n): few in sheet XML, so memchr finds them fast.
std::uint64_t CountLines(const char* p, std::size_t n) {
  std::uint64_t lines = 0;
  const char* end = p + n;
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (!nl) break;
    ++lines;
    p = static_cast<const char*>(nl) + 1;
  }
  return lines;
}

bool IsXmlChar(std::uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
         (cp >= 0x10000 && cp <= 0x10FFFF);
}

}  // namespace

void SheetScanner::fail(const char* reason, std::size_t at) const {
  const std::uint64_t line = lines_ + CountLines(buf_.data(), std::min(at, buf_.size()));
  throw Error("工作簿已损坏：" + part_ + " 第 " + std::to_string(line) + " 行 XML 无效（" + reason + "）");
}

void SheetScanner::feed(const char* data, std::size_t size, bool last, const std::string& part) {
  if (part_.empty()) part_ = part;
  buf_.append(data, size);
  if (!begun_) {
    if (buf_.size() < 3 && !last) return;
    begun_ = true;
    if (buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) buf_.erase(0, 3);
  }
  const std::size_t used = scan(last);
  if (owner_.stopped_) return;
  lines_ += CountLines(buf_.data(), used);
  buf_.erase(0, used);
  if (buf_.size() > kMaxToken) fail("元素、注释或处理指令过长", 0);
  if (!last) return;
  if (!buf_.empty()) fail(XmlErrorReason(XML_ERROR_UNCLOSED_TOKEN), 0);
  if (!rootSeen_ || !starts_.empty()) fail(XmlErrorReason(XML_ERROR_NO_ELEMENTS), 0);
}

// Scans buf_ as far as whole tokens go; returns the bytes used.
std::size_t SheetScanner::scan(bool last) {
  std::size_t pos = 0;
  const std::size_t n = buf_.size();
  while (pos < n && !owner_.stopped_) {
    if (buf_[pos] != '<') {
      const void* lt = std::memchr(buf_.data() + pos, '<', n - pos);
      std::size_t len = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - buf_.data()) - pos : n - pos;
      if (!lt && !last) len = safeTextCut(pos, len);
      if (len == 0) break;
      text(pos, len, false);
      pos += len;
      continue;
    }
    const std::size_t used = markup(pos, last);
    if (used == 0) break;
    pos += used;
  }
  return pos;
}

// How much of a text run with no '<' after it can be scanned before the
// next chunk comes: none of a short run, and of a long one all but an
// unfinished reference, character or line end at its end.
std::size_t SheetScanner::safeTextCut(std::size_t at, std::size_t len) const {
  if (len < 65536) return 0;
  std::size_t cut = at + len - 16;
  while (cut > at && (static_cast<unsigned char>(buf_[cut]) & 0xC0) == 0x80) --cut;
  for (std::size_t i = cut; i > at && i + 12 > cut; --i) {
    if (buf_[i - 1] == ';') break;
    if (buf_[i - 1] == '&') {
      cut = i - 1;
      break;
    }
  }
  while (cut > at && (buf_[cut - 1] == '\r' || buf_[cut - 1] == ']')) --cut;
  return cut - at;
}

std::size_t SheetScanner::markup(std::size_t at, bool last) {
  if (at + 1 >= buf_.size()) return last ? (fail(XmlErrorReason(XML_ERROR_UNCLOSED_TOKEN), at), 0) : 0;
  const char c = buf_[at + 1];
  if (c == '/') return endTag(at);
  if (c == '!' || c == '?') return special(at);
  return startTag(at);
}

// "<name a='v' b="w">" or "<name/>"; 0 while its end has not come.
std::size_t SheetScanner::startTag(std::size_t at) {
  const std::size_t n = buf_.size();
  std::size_t i = at + 1;
  if (!IsNameStart(static_cast<unsigned char>(buf_[i]))) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
  while (i < n && IsNameChar(static_cast<unsigned char>(buf_[i]))) ++i;
  const std::size_t nameEnd = i;
  bool empty = false;
  const std::size_t end = attributeSpans(nameEnd, empty);
  if (end == 0) return 0;
  // The whole tag is here: decode the values in place and end every name
  // and value with '\0'.
  decodeAttributes(at);
  buf_[nameEnd] = '\0';
  emitStart(&buf_[at + 1], empty, at);
  return end - at;
}

// The attributes of a start tag whose name ends at `i`, as name/value
// offsets into spans_; `empty` for "/>". The offset after the tag's '>', or 0
// while its end has not come. Kept inside startTag by the compiler: a sheet
// has two start tags a cell, and a call for each costs about 1 % of a read.
[[gnu::always_inline]] inline std::size_t SheetScanner::attributeSpans(std::size_t i, bool& empty) {
  const std::size_t n = buf_.size();
  spans_.clear();
  for (;;) {
    const std::size_t before = i;
    while (i < n && IsSpace(buf_[i])) ++i;
    if (i >= n) return 0;
    if (buf_[i] == '>') return i + 1;
    if (buf_[i] == '/') {
      if (i + 1 >= n) return 0;
      if (buf_[i + 1] != '>') fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), i);
      empty = true;
      return i + 2;
    }
    if (i == before || !IsNameStart(static_cast<unsigned char>(buf_[i])))
      fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), i);
    const std::size_t nameStart = i;
    while (i < n && IsNameChar(static_cast<unsigned char>(buf_[i]))) ++i;
    const std::size_t attrNameEnd = i;
    while (i < n && IsSpace(buf_[i])) ++i;
    if (i >= n) return 0;
    if (buf_[i] != '=') fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), i);
    ++i;
    while (i < n && IsSpace(buf_[i])) ++i;
    if (i >= n) return 0;
    const char quote = buf_[i];
    if (quote != '"' && quote != '\'') fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), i);
    const void* close = std::memchr(buf_.data() + i + 1, quote, n - i - 1);
    if (!close) return 0;
    const std::size_t valueEnd = static_cast<std::size_t>(static_cast<const char*>(close) - buf_.data());
    spans_.insert(spans_.end(), {nameStart, attrNameEnd, i + 1, valueEnd});
    i = valueEnd + 1;
  }
}

// Ends every name and value of spans_ with '\0', the values decoded in
// place, and lists them in attrs_ (name, value, ..., null) for the owner.
// Fails for an attribute given twice in the tag at `at`.
inline void SheetScanner::decodeAttributes(std::size_t at) {
  attrs_.clear();
  for (std::size_t k = 0; k < spans_.size(); k += 4) {
    buf_[decodeValue(spans_[k + 2], spans_[k + 3])] = '\0';
    buf_[spans_[k + 1]] = '\0';
    attrs_.push_back(&buf_[spans_[k]]);
    attrs_.push_back(&buf_[spans_[k + 2]]);
  }
  for (std::size_t a = 0; a < attrs_.size(); a += 2)
    for (std::size_t b = a + 2; b < attrs_.size(); b += 2)
      if (std::strcmp(attrs_[a], attrs_[b]) == 0) fail(XmlErrorReason(XML_ERROR_DUPLICATE_ATTRIBUTE), at);
  attrs_.push_back(nullptr);
}

// Decodes the attribute value in [vs, ve) in place (a value never grows):
// references replaced, line ends and tabs made blanks, UTF-8 checked. The
// offset where the decoded value ends.
inline std::size_t SheetScanner::decodeValue(std::size_t vs, std::size_t ve) {
  std::size_t plain = vs;  // most values ("A2", "s", "1") need no decoding
  while (plain < ve) {
    const unsigned char ch = static_cast<unsigned char>(buf_[plain]);
    if (ch < 0x20 || ch >= 0x80 || ch == '&' || ch == '<') break;
    ++plain;
  }
  std::size_t out = plain;
  for (std::size_t j = plain; j < ve;) {
    const unsigned char ch = static_cast<unsigned char>(buf_[j]);
    if (ch == '<') fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), j);
    if (ch == '&') {
      decoded_.clear();
      j = decodeReference(j, ve, decoded_);
      std::memcpy(&buf_[out], decoded_.data(), decoded_.size());
      out += decoded_.size();
    } else if (ch == '\r' || ch == '\n' || ch == '\t') {
      buf_[out++] = ' ';
      j += (ch == '\r' && j + 1 < ve && buf_[j + 1] == '\n') ? 2 : 1;
    } else if (ch < 0x20) {
      fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), j);
    } else if (ch >= 0x80) {
      const std::size_t next = checkUtf8(j, ve);
      while (j < next) buf_[out++] = buf_[j++];
    } else {
      buf_[out++] = buf_[j++];
    }
  }
  return out;
}

void SheetScanner::emitStart(char* name, bool empty, std::size_t at) {
  if (rootClosed_) fail(XmlErrorReason(XML_ERROR_JUNK_AFTER_DOC_ELEMENT), at);
  rootSeen_ = true;
  if (starts_.size() >= static_cast<std::size_t>(kMaxDepth)) {
    throw Error("工作簿已损坏：" + part_ + " 的元素嵌套超过 " + std::to_string(kMaxDepth) + " 层");
  }
  XmlPart::OnStart(&owner_, name, attrs_.data());
  if (empty) {
    XmlPart::OnEnd(&owner_, name);
    if (starts_.empty()) rootClosed_ = true;
    return;
  }
  starts_.push_back(stack_.size());
  stack_.append(name);
  stack_.push_back('\0');
}

// "</name>" closing the innermost open element.
std::size_t SheetScanner::endTag(std::size_t at) {
  const void* gt = std::memchr(buf_.data() + at, '>', buf_.size() - at);
  if (!gt) return 0;
  const std::size_t close = static_cast<std::size_t>(static_cast<const char*>(gt) - buf_.data());
  std::size_t i = at + 2;
  while (i < close && IsNameChar(static_cast<unsigned char>(buf_[i]))) ++i;
  const std::size_t nameEnd = i;
  while (i < close && IsSpace(buf_[i])) ++i;
  if (i != close || nameEnd == at + 2) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
  if (starts_.empty()) fail(XmlErrorReason(XML_ERROR_JUNK_AFTER_DOC_ELEMENT), at);
  const char* open = stack_.data() + starts_.back();
  const std::size_t len = nameEnd - at - 2;
  if (stack_.size() - starts_.back() != len + 1 || std::memcmp(open, buf_.data() + at + 2, len) != 0)
    fail(XmlErrorReason(XML_ERROR_TAG_MISMATCH), at);
  buf_[nameEnd] = '\0';
  XmlPart::OnEnd(&owner_, &buf_[at + 2]);
  stack_.resize(starts_.back());
  starts_.pop_back();
  if (starts_.empty()) rootClosed_ = true;
  return close + 1 - at;
}

// Comments, CDATA sections, processing instructions; a document type
// declaration is refused (package parts may not have one).
std::size_t SheetScanner::special(std::size_t at) {
  const std::size_t n = buf_.size();
  auto find = [&](std::size_t from, const char* what) -> std::size_t {
    const std::size_t len = std::strlen(what);
    if (from >= n) return std::string::npos;
    const void* hit = memmem(buf_.data() + from, n - from, what, len);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - buf_.data()) : std::string::npos;
  };
  if (buf_[at + 1] == '?') {
    const std::size_t end = find(at + 2, "?>");
    return end == std::string::npos ? 0 : end + 2 - at;
  }
  if (n - at < 4) return 0;
  if (buf_.compare(at, 4, "<!--") == 0) {
    const std::size_t dashes = find(at + 4, "--");
    if (dashes == std::string::npos || dashes + 2 >= n) return 0;
    if (buf_[dashes + 2] != '>') fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), dashes);
    return dashes + 3 - at;
  }
  if (n - at < 9) return 0;
  if (buf_.compare(at, 9, "<![CDATA[") == 0) {
    if (starts_.empty()) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
    const std::size_t end = find(at + 9, "]]>");
    if (end == std::string::npos) return 0;
    text(at + 9, end - at - 9, true);
    return end + 3 - at;
  }
  if (buf_.compare(at, 9, "<!DOCTYPE") == 0) fail("不允许文档类型定义（DTD）", at);
  fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
}

// Character data: checked, and collected when the owner captures it.
void SheetScanner::text(std::size_t at, std::size_t len, bool cdata) {
  const std::size_t end = at + len;
  if (starts_.empty()) {
    for (std::size_t j = at; j < end; ++j)
      if (!IsSpace(buf_[j])) fail(XmlErrorReason(rootClosed_ ? XML_ERROR_JUNK_AFTER_DOC_ELEMENT : XML_ERROR_SYNTAX), j);
    return;
  }
  const bool keep = owner_.capture_ && !owner_.stopped_;
  std::size_t run = at;  // start of the bytes not yet collected
  auto flush = [&](std::size_t upTo) {
    if (keep && upTo > run) owner_.appendText(buf_.data() + run, upTo - run);
  };
  for (std::size_t j = at; j < end;) {
    const unsigned char ch = static_cast<unsigned char>(buf_[j]);
    if (ch >= 0x20 && ch < 0x80 && ch != '&' && ch != ']') {
      ++j;
      continue;
    }
    if (ch == '\n' || ch == '\t') {
      ++j;
    } else if (ch == '\r') {
      flush(j);
      if (keep) owner_.appendText("\n", 1);
      j += (j + 1 < end && buf_[j + 1] == '\n') ? 2 : 1;
      run = j;
    } else if (ch == ']') {
      if (!cdata && buf_.compare(j, 3, "]]>") == 0) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), j);
      ++j;
    } else if (ch == '&' && !cdata) {
      flush(j);
      decoded_.clear();
      j = decodeReference(j, end, decoded_);
      if (keep) owner_.appendText(decoded_.data(), decoded_.size());
      run = j;
    } else if (ch >= 0x80) {
      j = checkUtf8(j, end);
    } else if (ch == '&') {
      ++j;
    } else {
      fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), j);
    }
  }
  flush(end);
}

// "&name;" or "&#N;" / "&#xH;" at `at` (before `end`): appends the text it
// stands for and returns the offset after it.
std::size_t SheetScanner::decodeReference(std::size_t at, std::size_t end, std::string& out) {
  const void* semi = std::memchr(buf_.data() + at, ';', std::min<std::size_t>(end - at, 12));
  if (!semi) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
  const std::size_t stop = static_cast<std::size_t>(static_cast<const char*>(semi) - buf_.data());
  const std::string_view name(buf_.data() + at + 1, stop - at - 1);
  if (!name.empty() && name[0] == '#') {
    const bool hex = name.size() > 1 && name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    std::uint32_t cp = 0;
    if (digits.empty()) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
    for (char d : digits) {
      int v = d >= '0' && d <= '9' ? d - '0' : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10 : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
      if (v < 0) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
      cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
      if (cp > 0x10FFFF) fail(XmlErrorReason(XML_ERROR_BAD_CHAR_REF), at);
    }
    if (!IsXmlChar(cp)) fail(XmlErrorReason(XML_ERROR_BAD_CHAR_REF), at);
    AppendUtf8(out, cp);
  } else if (name == "lt") {
    out.push_back('<');
  } else if (name == "gt") {
    out.push_back('>');
  } else if (name == "amp") {
    out.push_back('&');
  } else if (name == "quot") {
    out.push_back('"');
  } else if (name == "apos") {
    out.push_back('\'');
  } else {
    fail(XmlErrorReason(XML_ERROR_UNDEFINED_ENTITY), at);
  }
  return stop + 1;
}

// The offset after the UTF-8 sequence at `at`; fails for a bad one and for
// characters XML does not allow (surrogates, U+FFFE, U+FFFF).
std::size_t SheetScanner::checkUtf8(std::size_t at, std::size_t end) const {
  const auto* s = reinterpret_cast<const unsigned char*>(buf_.data());
  const unsigned char c = s[at];
  std::size_t len = 0;
  std::uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
  } else {
    fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
  }
  if (at + len > end) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
  for (std::size_t k = 1; k < len; ++k) {
    if ((s[at + k] & 0xC0) != 0x80) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
    cp = (cp << 6) | (s[at + k] & 0x3F);
  }
  const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
  if (overlong || !IsXmlChar(cp)) fail(XmlErrorReason(XML_ERROR_INVALID_TOKEN), at);
  return at + len;
}

}  // namespace tessaro::source
