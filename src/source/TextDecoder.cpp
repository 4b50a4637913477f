#include "source/TextDecoder.h"

#include <cerrno>
#include <cstring>

#include "common/Error.h"

namespace tessaro::source {
namespace {

// The bytes a well-formed sequence may continue with after `lead`
// (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF).
struct Utf8Form {
  int length;                // 0: `lead` starts no character
  unsigned char low, high;   // range of the second byte
};

Utf8Form FormOf(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

const char* IconvName(TextDecoder::Encoding e) {
  switch (e) {
    case TextDecoder::Encoding::Utf16Le: return "UTF-16LE";
    case TextDecoder::Encoding::Utf16Be: return "UTF-16BE";
    default: return "GB18030";
  }
}

enum class Converted { All, Cut, Invalid };

// Runs `cd` over the bytes from `in` on, appending the UTF-8 to `out` when
// given. Stops at the end (All), at a character the end cuts off (Cut: it
// stays in `inLeft`) or at bytes the encoding does not allow (Invalid).
Converted Convert(iconv_t cd, char*& in, std::size_t& inLeft, std::string* out) {
  char buf[1 << 14];
  while (inLeft > 0) {
    char* o = buf;
    std::size_t oLeft = sizeof buf;
    const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    if (out) out->append(buf, static_cast<std::size_t>(o - buf));
    if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    return errno == EINVAL ? Converted::Cut : Converted::Invalid;
  }
  return Converted::All;
}

// Whether `bytes` are GB18030 throughout (a character cut at the end counts
// as whole).
bool ReadsAsGb18030(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  const bool ok = Convert(cd, in, inLeft, nullptr) != Converted::Invalid;
  iconv_close(cd);
  return ok;
}

}  // namespace

std::size_t Utf8Prefix(std::string_view s, bool* cut) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  if (cut) *cut = false;
  while (i < n) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    const Utf8Form f = FormOf(p[i]);
    if (f.length == 0) return i;
    std::size_t k = 1;
    for (; k < static_cast<std::size_t>(f.length) && i + k < n; ++k) {
      const unsigned char c = p[i + k];
      const bool ok = k == 1 ? (c >= f.low && c <= f.high) : (c >= 0x80 && c <= 0xBF);
      if (!ok) return i;
    }
    if (k < static_cast<std::size_t>(f.length)) {  // the end of `s` cut the character
      if (cut) *cut = true;
      return i;
    }
    i += k;
  }
  return i;
}

TextDecoder::~TextDecoder() {
  if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
}

bool TextDecoder::decideFromBom(bool last) {
  if (pending_.size() < 3 && !last) return false;
  started_ = true;
  const auto b = [&](std::size_t i) { return i < pending_.size() ? static_cast<unsigned char>(pending_[i]) : 0u; };
  if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
    encoding_ = Encoding::Utf8;
    pending_.erase(0, 3);
  } else if (b(0) == 0xFF && b(1) == 0xFE) {
    encoding_ = Encoding::Utf16Le;
    pending_.erase(0, 2);
  } else if (b(0) == 0xFE && b(1) == 0xFF) {
    encoding_ = Encoding::Utf16Be;
    pending_.erase(0, 2);
  }
  return true;
}

void TextDecoder::decideFromWindow(std::size_t from) {
  const std::string_view window = std::string_view(pending_).substr(from, kWindow);
  bool cut = false;
  const std::size_t valid = Utf8Prefix(window, &cut);
  // A character cut by the window's end does not count against UTF-8.
  if (valid == window.size() || cut) {
    encoding_ = Encoding::Utf8;
    return;
  }
  // Neither encoding reads the window whole: the file is damaged, and is read
  // in the encoding its text before the damage shows.
  bool multibyte = false;
  for (std::size_t i = 0; i < valid && !multibyte; ++i) multibyte = static_cast<unsigned char>(window[i]) >= 0x80;
  encoding_ = multibyte && !ReadsAsGb18030(window) ? Encoding::Utf8 : Encoding::Gb18030;
}

bool TextDecoder::decode(std::string_view bytes, bool last, std::string& out) {
  pending_.append(bytes.data(), bytes.size());
  if (!started_ && !decideFromBom(last)) return true;
  if (encoding_ == Encoding::Undecided) {
    std::size_t first = 0;
    while (first < pending_.size() && static_cast<unsigned char>(pending_[first]) < 0x80) ++first;
    if (first == pending_.size() || (pending_.size() - first < kWindow && !last)) {
      // All ASCII so far, which reads the same in every candidate encoding.
      out.append(pending_, 0, first);
      pending_.erase(0, first);
      return true;
    }
    decideFromWindow(first);
  }
  return encoding_ == Encoding::Utf8 ? utf8(last, out) : convert(last, out);
}

bool TextDecoder::utf8(bool last, std::string& out) {
  bool cut = false;
  const std::size_t n = Utf8Prefix(pending_, &cut);
  out.append(pending_, 0, n);
  const bool whole = n == pending_.size();
  pending_.erase(0, n);
  return whole || (cut && !last);
}

bool TextDecoder::convert(bool last, std::string& out) {
  if (cd_ == reinterpret_cast<iconv_t>(-1)) {
    cd_ = iconv_open("UTF-8", IconvName(encoding_));
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw Error(std::string("无法转换文本编码（iconv 不支持 ") + IconvName(encoding_) + "）");
  }
  char* in = pending_.data();
  std::size_t inLeft = pending_.size();
  const Converted result = Convert(cd_, in, inLeft, &out);
  // A cut character is finished by the next block, if there is one.
  const bool ok = result == Converted::All || (result == Converted::Cut && !last);
  pending_.erase(0, pending_.size() - inLeft);
  return ok;
}

}  // namespace tessaro::source
