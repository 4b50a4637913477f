#pragma once
// A zip archive written front to back into a byte sink, without seeking:
// each entry's sizes and CRC follow its data in a data descriptor, and the
// central directory comes last. Entries are deflated; names are UTF-8.
// Archives up to 4 GiB (no ZIP64): a larger one fails with Error.
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
  void deflateChunk(std::string_view bytes, bool last);

  Sink sink_;
  std::uint64_t offset_ = 0;
  std::vector<Entry> entries_;
  bool open_ = false;
  struct Deflater;
  std::unique_ptr<Deflater> deflater_;
  std::uint16_t dosTime_ = 0, dosDate_ = 0;
};

}  // namespace tessaro
