#pragma once
// Text files as UTF-8, decoded block by block: what the .csv/.txt reader and
// the choice of reader share. Only src/source/ includes this header.
#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaro::source {

// The length of the longest prefix of `s` that is well-formed UTF-8. When
// `cut` is given, it tells whether what follows that prefix is only the start
// of a character cut off by the end of `s` (so more bytes may finish it).
std::size_t Utf8Prefix(std::string_view s, bool* cut = nullptr);

// Decodes a text file's bytes to UTF-8 as they are read.
//
// A byte-order mark decides the encoding (UTF-8, UTF-16LE, UTF-16BE) and is
// dropped. Without one, ASCII passes through until the first byte above 0x7F;
// from there up to kWindow bytes (or to the end of the file) are checked: when
// they are well-formed UTF-8 the file is read as UTF-8, otherwise as GB18030
// (a superset of GBK/CP936, the Simplified Chinese Windows code page). So a
// file that starts with megabytes of ASCII and holds Chinese only further down
// is still decided on its Chinese text, and memory stays bounded. When the
// bytes are neither (a damaged file), UTF-8 is kept if its text before the
// damage holds non-ASCII characters, so the error points at the damage.
class TextDecoder {
 public:
  enum class Encoding { Undecided, Utf8, Gb18030, Utf16Le, Utf16Be };
  static constexpr std::size_t kWindow = 1 << 20;

  TextDecoder() = default;
  ~TextDecoder();
  TextDecoder(const TextDecoder&) = delete;
  TextDecoder& operator=(const TextDecoder&) = delete;

  // Appends the UTF-8 of the next bytes to `out`; `last` marks the end of the
  // file. Bytes that may start a character finished by the next block are
  // kept back. Returns false at bytes that are not valid in the file's
  // encoding: `out` then holds the text before them, and decoding is over.
  bool decode(std::string_view bytes, bool last, std::string& out);

  Encoding encoding() const { return encoding_; }

 private:
  bool decideFromBom(bool last);
  void decideFromWindow(std::size_t from);
  bool utf8(bool last, std::string& out);
  bool convert(bool last, std::string& out);

  Encoding encoding_ = Encoding::Undecided;
  bool started_ = false;
  std::string pending_;  // bytes not yet decoded
  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

}  // namespace tessaro::source
