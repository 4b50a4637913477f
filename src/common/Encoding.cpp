#include "common/Encoding.h"

#include <cerrno>
#include <iconv.h>

#include "common/Error.h"

namespace tessaro {

namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw Error(std::string("iconv cannot convert ") + from + " to " + to);
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

bool AllAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Converts `bytes` to UTF-8 with `cd`, from its initial state. A byte
// sequence the source does not define becomes U+FFFD with `replace`, and
// otherwise makes the conversion give nothing.
std::optional<std::string> ToUtf8With(iconv_t cd, std::string_view bytes, bool replace) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char buf[1024];
  while (inLeft > 0) {
    char* o = buf;
    std::size_t oLeft = sizeof buf;
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buf, static_cast<std::size_t>(o - buf));
    if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
      if (!replace) return std::nullopt;
      // An undefined byte, or a lead byte cut off at the end: skip one byte.
      ++in;
      --inLeft;
      AppendUtf8(out, 0xFFFD);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::string ToCp936(std::string_view utf8, int* replaced) {
  if (AllAscii(utf8)) return std::string(utf8);
  thread_local Iconv cd("CP936", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char buf[1024];
  while (inLeft > 0) {
    char* o = buf;
    std::size_t oLeft = sizeof buf;
    std::size_t r = iconv(cd.get(), &in, &inLeft, &o, &oLeft);
    out.append(buf, static_cast<std::size_t>(o - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: one character that cannot be written.
      std::size_t skip = Utf8Length(static_cast<unsigned char>(*in));
      if (skip > inLeft) skip = inLeft;
      in += skip;
      inLeft -= skip;
      out.push_back('?');
      if (replaced) ++*replaced;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::optional<std::string> FromCp936(std::string_view bytes) {
  if (AllAscii(bytes)) return std::string(bytes);
  thread_local Iconv cd("UTF-8", "CP936");
  return ToUtf8With(cd.get(), bytes, false);
}

bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned cp = 0;
    if (c < 0x80) { ++i; continue; }
    if ((c & 0xE0) == 0xC0) { n = 1; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { n = 2; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { n = 3; cp = c & 0x07; }
    else return false;
    for (std::size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

std::string DecodeTextFile(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  if (auto gbk = FromCp936(bytes)) return *gbk;
  return std::string(bytes);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  const int trail = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
  static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
  out.push_back(static_cast<char>(kLead[trail] | (cp >> (6 * trail))));
  for (int k = trail - 1; k >= 0; --k) out.push_back(static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F)));
}

CodePageDecoder::CodePageDecoder(const char* charset) : cd_(iconv_open("UTF-8", charset)) {
  if (cd_ == reinterpret_cast<void*>(-1)) throw Error(std::string("不支持的代码页 ") + charset);
}

CodePageDecoder::~CodePageDecoder() { iconv_close(static_cast<iconv_t>(cd_)); }

std::string CodePageDecoder::decode(std::string_view bytes) {
  if (AllAscii(bytes)) return std::string(bytes);
  return *ToUtf8With(static_cast<iconv_t>(cd_), bytes, true);
}

}  // namespace tessaro
