// Fuzzes the .ods reader. An input whose first byte is even is taken as a
// whole file; otherwise the rest is split at "\n--\n" into content.xml and
// styles.xml, which are packed with the spreadsheet mimetype into a valid zip
// (so the mutations reach the XML handling past the CRC).
#include <minizip/zip.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "source/Reader.h"

namespace {

void Add(zipFile z, const char* name, const std::string& data) {
  zip_fileinfo info{};
  if (zipOpenNewFileInZip(z, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1) != ZIP_OK) return;
  zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
  zipCloseFileInZip(z);
}

void ReadEverything(const std::string& path) {
  try {
    auto book = tessaro::source::OpenOds(path);
    for (std::size_t i = 0; i < book->sheetNames().size() && i < 8; ++i) {
      for (bool headerOnly : {true, false}) {
        try {
          std::size_t cells = 0;
          book->readSheet(
              i,
              [&](std::uint32_t, const std::vector<tessaro::source::Cell>& row) {
                cells += row.size();
                return !headerOnly;
              },
              headerOnly);
        } catch (const tessaro::Error&) {
        }
      }
    }
  } catch (const tessaro::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/dev/shm/tessaro-fuzz-" + std::to_string(getpid()) + ".ods";
  if (size == 0) return 0;
  if ((data[0] & 1) == 0) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  } else {
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t sep = text.find("\n--\n");
    zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!z) return 0;
    Add(z, "mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    Add(z, "content.xml", text.substr(0, sep));
    if (sep != std::string::npos) Add(z, "styles.xml", text.substr(sep + 4));
    zipClose(z, nullptr);
  }
  ReadEverything(path);
  return 0;
}
