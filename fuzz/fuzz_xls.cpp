// Fuzzes the .xls reader. An input whose first byte is even is taken as a
// whole file (the compound-file container and the records in it); otherwise
// the rest is a workbook record stream, which is packed into a valid compound
// file so that the mutations reach the record handling.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzRead.h"

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

void PutEntry(std::vector<std::uint8_t>& dir, std::size_t at, const char* name, std::uint8_t type, std::uint32_t child,
              std::uint32_t start, std::uint32_t size) {
  std::size_t n = std::strlen(name);
  for (std::size_t i = 0; i < n; ++i) Put16(dir, at + 2 * i, static_cast<std::uint8_t>(name[i]));
  Put16(dir, at + 64, static_cast<std::uint16_t>(2 * n + 2));
  dir[at + 66] = type;
  Put32(dir, at + 68, 0xFFFFFFFF);
  Put32(dir, at + 72, 0xFFFFFFFF);
  Put32(dir, at + 76, child);
  Put32(dir, at + 116, start);
  Put32(dir, at + 120, size);
}

// A version-3 compound file (512-byte sectors) holding one "Workbook" stream
// of at least 4096 bytes: allocation table, then directory, then the stream.
std::vector<std::uint8_t> Pack(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> stream(data, data + size);
  if (stream.size() < 4096) stream.resize(4096);
  const std::uint32_t streamSectors = static_cast<std::uint32_t>((stream.size() + 511) / 512);
  std::uint32_t fatSectors = 1;
  while (fatSectors * 128 < fatSectors + 1 + streamSectors) ++fatSectors;
  std::vector<std::uint8_t> out(512 * (1 + fatSectors + 1 + streamSectors), 0);
  static const std::uint8_t kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(out.data(), kMagic, 8);
  Put16(out, 24, 0x3E);
  Put16(out, 26, 3);
  Put16(out, 28, 0xFFFE);
  Put16(out, 30, 9);
  Put16(out, 32, 6);
  Put32(out, 44, fatSectors);
  Put32(out, 48, fatSectors);  // directory sector
  Put32(out, 56, 4096);
  Put32(out, 60, 0xFFFFFFFE);
  Put32(out, 68, 0xFFFFFFFE);
  for (std::uint32_t i = 0; i < 109; ++i) Put32(out, 76 + 4 * i, i < fatSectors ? i : 0xFFFFFFFF);
  std::vector<std::uint8_t> fat(512 * fatSectors, 0xFF);
  for (std::uint32_t i = 0; i < fatSectors; ++i) Put32(fat, 4 * i, 0xFFFFFFFD);
  Put32(fat, 4 * fatSectors, 0xFFFFFFFE);
  const std::uint32_t first = fatSectors + 1;
  for (std::uint32_t i = 0; i < streamSectors; ++i)
    Put32(fat, 4 * (first + i), i + 1 == streamSectors ? 0xFFFFFFFE : first + i + 1);
  std::vector<std::uint8_t> dir(512, 0);
  PutEntry(dir, 0, "Root Entry", 5, 1, 0xFFFFFFFE, 0);
  PutEntry(dir, 128, "Workbook", 2, 0xFFFFFFFF, first, static_cast<std::uint32_t>(stream.size()));
  for (std::size_t at = 256; at < 512; at += 128) PutEntry(dir, at, "", 0, 0xFFFFFFFF, 0, 0);
  std::memcpy(&out[512], fat.data(), fat.size());
  std::memcpy(&out[512 * (1 + fatSectors)], dir.data(), dir.size());
  std::memcpy(&out[512 * (2 + fatSectors)], stream.data(), stream.size());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/dev/shm/tessaro-fuzz-" + std::to_string(getpid()) + ".xls";
  if (size == 0) return 0;
  std::vector<std::uint8_t> file =
      (data[0] & 1) == 0 ? std::vector<std::uint8_t>(data + 1, data + size) : Pack(data + 1, size - 1);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  tessaro::fuzz::ReadEverything(path, tessaro::source::OpenXls);
  return 0;
}
