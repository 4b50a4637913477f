#pragma once
// The compound file (OLE2 structured storage) an .xls workbook is stored in:
// a small file system of 512- or 4096-byte sectors chained by an allocation
// table. Only the top-level streams are reachable, which is all a workbook
// needs. Every sector number, chain and size is checked against the file, so
// a damaged or hostile file gives an Error, never a read outside it or an
// endless walk. Only src/source/ includes this header.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Error.h"

namespace tessaro::source {

class CompoundFile;

// One stream, read at any offset through a window of its sectors, so a long
// stream costs the memory of its sector list and one window.
class CompoundStream {
 public:
  std::uint64_t size() const { return size_; }
  // The `n` bytes at `offset`, valid until the next call on this stream.
  // Throws Error when they reach past the end of the stream.
  const std::uint8_t* view(std::uint64_t offset, std::size_t n);

 private:
  friend class CompoundFile;
  void fill(std::uint64_t offset, std::size_t n);

  std::shared_ptr<const int> fd_;     // the open file (null for a stream held in memory)
  std::uint32_t sectorSize_ = 512;
  std::vector<std::uint32_t> sectors_;  // the stream's sectors in order
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0;
  std::size_t windowLength_ = 0;
};

class CompoundFile {
 public:
  // Reads the header, allocation tables and directory. Throws Error naming
  // the problem (with `path`) when the file is not a sound compound file.
  explicit CompoundFile(const std::string& path);

  // Whether the top level holds a stream of this name (case-insensitive).
  bool hasStream(const std::string& name) const;
  // The top-level stream of this name (case-insensitive). Throws Error.
  CompoundStream openStream(const std::string& name) const;

 private:
  struct Entry {
    std::string name;  // UTF-8
    std::uint8_t type = 0;
    std::uint32_t left = 0, right = 0, child = 0, start = 0;
    std::uint64_t size = 0;
  };
  void readHeader(const std::uint8_t* h);
  void readFat(const std::uint8_t* h);
  void readDirectory();
  void readMiniFat();
  void collectTopLevel();
  void readSector(std::uint32_t sector, std::uint8_t* dst) const;
  std::vector<std::uint32_t> chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                   std::uint64_t count, bool exact) const;
  [[noreturn]] void damaged(const std::string& what) const;
  const Entry* find(const std::string& name) const;

  std::string path_;
  std::shared_ptr<const int> fd_;
  std::uint64_t fileSize_ = 0;
  bool largeSizes_ = true;  // version 4 files keep 64-bit stream sizes
  std::uint32_t sectorShift_ = 9;
  std::uint32_t sectorSize_ = 512;
  std::uint32_t fileSectors_ = 0;  // sectors that start inside the file
  std::uint32_t fatSectors_ = 0, directoryStart_ = 0, miniFatStart_ = 0, miniFatSectors_ = 0;
  std::uint32_t difatStart_ = 0, difatSectors_ = 0;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> miniFat_;
  std::vector<Entry> entries_;
  std::vector<std::size_t> topLevel_;  // indexes into entries_
};

}  // namespace tessaro::source
