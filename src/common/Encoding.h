#pragma once
// Code page 936 (GBK), the Simplified Chinese Windows code page of MIF/MID
// pairs and template files, with glibc iconv.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaro {

// UTF-8 to CP936. A character CP936 lacks (or a malformed UTF-8 byte) is
// written as "?" and counted in *replaced.
std::string ToCp936(std::string_view utf8, int* replaced = nullptr);

// CP936 to UTF-8; nothing when the bytes are not valid CP936.
std::optional<std::string> FromCp936(std::string_view bytes);

// True when the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

// Decodes a text file as the templates are stored: CP936, or UTF-8 where the
// bytes are not valid CP936. A leading UTF-8 byte-order mark is dropped.
std::string DecodeTextFile(std::string_view bytes);

// Appends the code point `cp` as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t cp);

// Text in a code page to UTF-8, through glibc iconv. A byte sequence the code
// page does not define becomes U+FFFD.
class CodePageDecoder {
 public:
  // `charset` is an iconv name ("CP1252", "CP936"). Throws Error when iconv
  // does not know it.
  explicit CodePageDecoder(const char* charset);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;
  std::string decode(std::string_view bytes);

 private:
  void* cd_;
};

}  // namespace tessaro
