#include "common/ZipStream.h"

#include <zlib.h>

#include <atomic>
#include <ctime>

#include "common/Error.h"

namespace tessaro {

namespace {

void Put16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& s, std::uint64_t v) {
  Put16(s, static_cast<std::uint32_t>(v & 0xFFFF));
  Put16(s, static_cast<std::uint32_t>((v >> 16) & 0xFFFF));
}

void Put64(std::string& s, std::uint64_t v) {
  Put32(s, v & 0xFFFFFFFFull);
  Put32(s, v >> 32);
}

constexpr std::uint16_t kFlags = 0x0808;  // data descriptor follows (bit 3), UTF-8 names (bit 11)
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kVersion = 20;       // 2.0: deflate
constexpr std::uint16_t kZip64Version = 45;  // 4.5: ZIP64 records
// A 4-byte size or offset at or above this, or a 2-byte count at or above
// kCountLimit, is written as this marker with the value in a ZIP64 record.
constexpr std::uint64_t kLimit = 0xFFFFFFFFull;
constexpr std::uint64_t kCountLimit = 0xFFFFull;

std::atomic<bool> forceZip64{false};

bool Over(std::uint64_t v, std::uint64_t limit) { return forceZip64.load() || v >= limit; }

}  // namespace

namespace detail {
void ForceZip64(bool on) { forceZip64.store(on); }
}  // namespace detail

struct ZipStream::Deflater {
  z_stream z{};
  std::string out;
  Deflater() {
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw Error("无法创建压缩流");
    out.resize(1 << 16);
  }
  ~Deflater() { deflateEnd(&z); }
};

ZipStream::ZipStream(Sink sink) : sink_(std::move(sink)) { setEntryTime(std::time(nullptr)); }

void ZipStream::setEntryTime(std::time_t when, bool utc) {
  std::tm t{};
  if (utc)
    gmtime_r(&when, &t);
  else
    localtime_r(&when, &t);
  if (t.tm_year < 80) {  // the format's first day
    t = std::tm{};
    t.tm_year = 80;
    t.tm_mday = 1;
  } else if (t.tm_year > 207) {  // its last second
    t = std::tm{};
    t.tm_year = 207;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 58;
  }
  dosTime_ = static_cast<std::uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  dosDate_ = static_cast<std::uint16_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
}

ZipStream::~ZipStream() = default;

void ZipStream::put(std::string_view bytes) {
  sink_(bytes);
  offset_ += bytes.size();
}

void ZipStream::begin(const std::string& name) {
  if (open_) throw Error("压缩包条目尚未结束");
  Entry e;
  e.name = name;
  e.offset = offset_;
  e.crc = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
  std::string h;
  Put32(h, 0x04034b50);
  Put16(h, kVersion);  // the sizes are not known yet: a ZIP64 descriptor is read from the central directory
  Put16(h, kFlags);
  Put16(h, kDeflated);
  Put16(h, dosTime_);
  Put16(h, dosDate_);
  Put32(h, 0);  // CRC and sizes: in the data descriptor
  Put32(h, 0);
  Put32(h, 0);
  Put16(h, static_cast<std::uint32_t>(name.size()));
  Put16(h, 0);
  h += name;
  entries_.push_back(std::move(e));
  put(h);
  deflater_ = std::make_unique<Deflater>();
  open_ = true;
}

void ZipStream::deflateChunk(std::string_view bytes, bool last) {
  z_stream& z = deflater_->z;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(deflater_->out.data());
    z.avail_out = static_cast<uInt>(deflater_->out.size());
    rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR) throw Error("压缩失败");
    const std::size_t n = deflater_->out.size() - z.avail_out;
    entries_.back().compressed += n;
    if (n) put(std::string_view(deflater_->out.data(), n));
  } while (z.avail_out == 0 || (last && rc != Z_STREAM_END));
}

void ZipStream::write(std::string_view bytes) {
  if (!open_) throw Error("压缩包条目尚未开始");
  Entry& e = entries_.back();
  // zlib takes at most 4 GiB a call.
  for (std::size_t at = 0; at < bytes.size(); at += 1u << 30) {
    const std::string_view part = bytes.substr(at, 1u << 30);
    e.crc = static_cast<std::uint32_t>(crc32(e.crc, reinterpret_cast<const Bytef*>(part.data()),
                                             static_cast<uInt>(part.size())));
    e.size += part.size();
    deflateChunk(part, false);
  }
}

void ZipStream::end() {
  if (!open_) return;
  deflateChunk({}, true);
  deflater_.reset();
  open_ = false;
  const Entry& e = entries_.back();
  std::string d;
  Put32(d, 0x08074b50);
  Put32(d, e.crc);
  if (Over(e.compressed, kLimit) || Over(e.size, kLimit)) {
    Put64(d, e.compressed);
    Put64(d, e.size);
  } else {
    Put32(d, e.compressed);
    Put32(d, e.size);
  }
  put(d);
}

void ZipStream::add(const std::string& name, std::string_view bytes) {
  begin(name);
  write(bytes);
  end();
}

std::string ZipStream::centralRecord(const Entry& e) const {
  // A size or offset that overflows its 4-byte field holds the marker; the
  // values go into the ZIP64 extra field in this order: size, compressed
  // size, offset.
  std::string zip64;
  auto field = [&zip64](std::uint64_t v) {
    if (!Over(v, kLimit)) return v;
    Put64(zip64, v);
    return kLimit;
  };
  const std::uint64_t size = field(e.size), compressed = field(e.compressed), offset = field(e.offset);
  std::string dir;
  Put32(dir, 0x02014b50);
  Put16(dir, 0x0314);  // made by: Unix, 2.0
  Put16(dir, zip64.empty() ? kVersion : kZip64Version);
  Put16(dir, kFlags);
  Put16(dir, kDeflated);
  Put16(dir, dosTime_);
  Put16(dir, dosDate_);
  Put32(dir, e.crc);
  Put32(dir, compressed);
  Put32(dir, size);
  Put16(dir, static_cast<std::uint32_t>(e.name.size()));
  Put16(dir, zip64.empty() ? 0 : static_cast<std::uint32_t>(4 + zip64.size()));
  Put16(dir, 0);
  Put16(dir, 0);
  Put16(dir, 0);
  Put32(dir, 0100644u << 16);  // a regular file, rw-r--r--
  Put32(dir, offset);
  dir += e.name;
  if (!zip64.empty()) {
    Put16(dir, 0x0001);
    Put16(dir, static_cast<std::uint32_t>(zip64.size()));
    dir += zip64;
  }
  return dir;
}

void ZipStream::finish() {
  end();
  const std::uint64_t start = offset_;
  std::string dir;
  for (const Entry& e : entries_) {
    dir += centralRecord(e);
    if (dir.size() >= (1u << 20)) {
      put(dir);
      dir.clear();
    }
  }
  put(dir);
  const std::uint64_t count = entries_.size(), size = offset_ - start;
  std::string tail;
  if (Over(count, kCountLimit) || Over(size, kLimit) || Over(start, kLimit)) {
    const std::uint64_t record = offset_;
    Put32(tail, 0x06064b50);  // ZIP64 end of central directory record
    Put64(tail, 44);          // its size after this field
    Put16(tail, 0x032D);      // made by: Unix, 4.5
    Put16(tail, kZip64Version);
    Put32(tail, 0);
    Put32(tail, 0);
    Put64(tail, count);
    Put64(tail, count);
    Put64(tail, size);
    Put64(tail, start);
    Put32(tail, 0x07064b50);  // its locator
    Put32(tail, 0);
    Put64(tail, record);
    Put32(tail, 1);
  }
  auto clamp = [](std::uint64_t v, std::uint64_t limit) { return Over(v, limit) ? limit : v; };
  Put32(tail, 0x06054b50);
  Put16(tail, 0);
  Put16(tail, 0);
  Put16(tail, static_cast<std::uint32_t>(clamp(count, kCountLimit)));
  Put16(tail, static_cast<std::uint32_t>(clamp(count, kCountLimit)));
  Put32(tail, clamp(size, kLimit));
  Put32(tail, clamp(start, kLimit));
  Put16(tail, 0);
  put(tail);
}

}  // namespace tessaro
