// Fuzzes the .ods reader. An input whose first byte is even is taken as a
// whole file; otherwise the rest is split at "\n--\n" into content.xml and
// styles.xml, which are packed with the spreadsheet mimetype into a valid zip
// (so the mutations reach the XML handling past the CRC).

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRead.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = tessaro::fuzz::InputPath(".ods");
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    if (!tessaro::fuzz::WriteInput(path, data + 1, size - 1)) return 0;
  } else {
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t sep = text.find("\n--\n");
    zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!z) return 0;
    tessaro::fuzz::AddToZip(z, "mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    tessaro::fuzz::AddToZip(z, "content.xml", text.substr(0, sep));
    if (sep != std::string::npos) tessaro::fuzz::AddToZip(z, "styles.xml", text.substr(sep + 4));
    zipClose(z, nullptr);
  }
  tessaro::fuzz::ReadEverything(path, tessaro::source::OpenOds);
  return 0;
}
