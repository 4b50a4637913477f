#pragma once
// A zip archive written front to back into a byte sink, without seeking:
// each entry's sizes and CRC follow its data in a data descriptor, and the
// central directory comes last. Entries are deflated; names are UTF-8.
//
// Past the classic format's limits (65,535 entries, 4 GiB for a size or an
// offset) the archive carries ZIP64 records: an entry whose sizes overflow
// gets 8-byte sizes in its data descriptor and a ZIP64 extra field in the
// central directory, which also holds an offset that overflows, and the end
// of the archive gets the ZIP64 end record and its locator. An archive within
// the limits is written exactly as the classic format has it.
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

class ZipStream {
 public:
  using Sink = std::function<void(std::string_view bytes)>;
  explicit ZipStream(Sink sink);
  ~ZipStream();
  ZipStream(const ZipStream&) = delete;
  ZipStream& operator=(const ZipStream&) = delete;

  // The time every entry carries from now on, to the zip format's two
  // seconds (years 1980 to 2107; earlier times are 1980): `when` in the
  // local time zone, or in UTC with `utc`. By default the time the stream
  // was made.
  void setEntryTime(std::time_t when, bool utc = false);

  // Starts an entry; the previous one must be ended.
  void begin(const std::string& name);
  void write(std::string_view bytes);
  void end();
  // A whole entry at once.
  void add(const std::string& name, std::string_view bytes);
  // Writes the central directory; nothing may be added after it.
  void finish();

 private:
  struct Entry {
    std::string name;
    std::uint32_t crc = 0;
    std::uint64_t compressed = 0, size = 0, offset = 0;
  };
  void put(std::string_view bytes);
  // The entry's central directory record.
  std::string centralRecord(const Entry& e) const;
  void deflateChunk(std::string_view bytes, bool last);

  Sink sink_;
  std::uint64_t offset_ = 0;
  std::vector<Entry> entries_;
  bool open_ = false;
  struct Deflater;
  std::unique_ptr<Deflater> deflater_;
  std::uint16_t dosTime_ = 0, dosDate_ = 0;
};

namespace detail {
// Test seam: while on, every entry and the end of the archive are written
// with their ZIP64 records, as if each size, offset and count overflowed, so
// real readers can check those records on a small archive.
void ForceZip64(bool on);
}  // namespace detail

}  // namespace tessaro
