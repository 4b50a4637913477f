#pragma once
// What the zip-based fuzz targets share: packing parts into a valid zip, and
// reading every sheet of a workbook, whole and header only.
#include <minizip/zip.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "source/Reader.h"

namespace tessaro::fuzz {

// A file of this process in shared memory, named with `extension`.
inline std::string InputPath(const char* extension) {
  return "/dev/shm/tessaro-fuzz-" + std::to_string(getpid()) + extension;
}

// Writes the bytes to `path`; false when it cannot.
inline bool WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  return true;
}

inline void AddToZip(zipFile z, const char* name, const std::string& data) {
  zip_fileinfo info{};
  if (zipOpenNewFileInZip(z, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 1) != ZIP_OK) return;
  zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size()));
  zipCloseFileInZip(z);
}

// Opens `path` with `open` and reads every sheet (at most 8); Errors are the
// expected outcome of damaged input, anything else is a finding.
template <typename Open>
void ReadEverything(const std::string& path, Open open) {
  try {
    std::unique_ptr<source::WorkbookReader> book = open(path);
    for (std::size_t i = 0; i < book->sheetNames().size() && i < 8; ++i) {
      for (bool headerOnly : {true, false}) {
        try {
          book->readSheet(
              i, [&](std::uint32_t, const std::vector<source::Cell>&) { return !headerOnly; }, headerOnly);
        } catch (const Error&) {
        }
      }
    }
  } catch (const Error&) {
  }
}

}  // namespace tessaro::fuzz
