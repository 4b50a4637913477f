// Fuzzes the text-file side: the check that decides whether a file is text
// and the .csv/.txt reader (decoding, separator choice, quoting, typing),
// reading the whole sheet and only its header row.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzRead.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tessaro::fuzz::InputPath(".csv");
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tessaro::source::SniffText(bytes, true);
  tessaro::source::SniffText(bytes.substr(0, size / 2), false);
  if (!tessaro::fuzz::WriteInput(path, data, size)) return 0;
  try {
    auto book = tessaro::source::OpenCsv(path);
    for (bool headerOnly : {true, false}) {
      try {
        std::size_t cells = 0;
        book->readSheet(
            0,
            [&](std::uint32_t, const std::vector<tessaro::source::Cell>& row) {
              for (const auto& c : row) cells += c.text.size() + 1;
              return !headerOnly;
            },
            headerOnly);
      } catch (const tessaro::Error&) {
      }
    }
  } catch (const tessaro::Error&) {
  }
  return 0;
}
