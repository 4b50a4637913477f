// The compound-file container: header, allocation tables (with the DIFAT
// that lists the allocation table's own sectors), directory and mini stream.
#include "source/CompoundFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/Encoding.h"

namespace tessaro::source {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint64_t kMiniCutoff = 4096;
constexpr std::size_t kWindow = 64 * 1024;
constexpr std::uint8_t kStreamEntry = 2;
constexpr std::uint8_t kRootEntry = 5;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t U64(const std::uint8_t* p) { return U32(p) | (static_cast<std::uint64_t>(U32(p + 4)) << 32); }

// Reads `n` bytes at `offset`; what lies past the end of the file reads as
// zeros (a last sector may be cut short). False on a read error.
bool ReadAt(int fd, std::uint64_t offset, std::uint8_t* dst, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t r = pread(fd, dst + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  std::memset(dst + done, 0, n - done);
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

const std::uint8_t* CompoundStream::view(std::uint64_t offset, std::size_t n) {
  if (offset > size_ || n > size_ - offset) throw Error("工作簿已损坏：数据超出数据流末尾");
  if (offset < windowStart_ || offset + n > windowStart_ + windowLength_) fill(offset, n);
  return window_.data() + (offset - windowStart_);
}

// Loads the sectors around [offset, offset + n) into the window, reading runs
// of adjacent sectors with one call each.
void CompoundStream::fill(std::uint64_t offset, std::size_t n) {
  const std::uint64_t first = offset / sectorSize_;
  const std::uint64_t start = first * sectorSize_;
  const std::uint64_t end = std::min<std::uint64_t>(size_, start + std::max<std::uint64_t>(kWindow, offset + n - start));
  const std::uint64_t last = (end + sectorSize_ - 1) / sectorSize_;  // one past the last sector
  window_.resize(static_cast<std::size_t>((last - first) * sectorSize_));
  for (std::uint64_t i = first; i < last;) {
    std::uint64_t j = i;
    while (j + 1 < last && sectors_[j + 1] == sectors_[j] + 1) ++j;
    const std::uint64_t at = (static_cast<std::uint64_t>(sectors_[i]) + 1) * sectorSize_;
    if (!ReadAt(*fd_, at, window_.data() + (i - first) * sectorSize_, static_cast<std::size_t>((j - i + 1) * sectorSize_)))
      throw Error("工作簿读取失败（" + SystemErrorText(errno) + "）");
    i = j + 1;
  }
  windowStart_ = start;
  windowLength_ = static_cast<std::size_t>(end - start);
}

CompoundFile::CompoundFile(const std::string& path) : path_(path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error("无法打开工作簿文件（" + SystemErrorText(errno) + "）：" + path);
  fd_ = std::shared_ptr<const int>(new int(fd), [](const int* p) {
    close(*p);
    delete p;
  });
  struct stat st {};
  if (fstat(fd, &st) != 0) throw Error("无法读取工作簿文件（" + SystemErrorText(errno) + "）：" + path);
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  if (fileSize_ < 512) damaged("文件不完整，复合文件头缺失");
  std::uint8_t header[512];
  if (!ReadAt(fd, 0, header, sizeof header)) damaged("无法读取文件头");
  readHeader(header);
  readFat(header);
  readDirectory();
  readMiniFat();
  collectTopLevel();
}

void CompoundFile::damaged(const std::string& what) const { throw Error("工作簿已损坏（" + what + "）：" + path_); }

void CompoundFile::readHeader(const std::uint8_t* h) {
  static const std::uint8_t kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (std::memcmp(h, kMagic, 8) != 0) damaged("不是复合文件");
  const std::uint16_t major = U16(h + 26);
  sectorShift_ = U16(h + 30);
  if ((major != 3 && major != 4) || U16(h + 28) != 0xFFFE || (sectorShift_ != 9 && sectorShift_ != 12) ||
      U16(h + 32) != 6 || U32(h + 56) != kMiniCutoff)
    damaged("复合文件头无效");
  sectorSize_ = 1u << sectorShift_;
  const std::uint64_t sectors = fileSize_ > sectorSize_ ? (fileSize_ - 1) / sectorSize_ : 0;
  fileSectors_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, 0xFFFFFFF0u));
  fatSectors_ = U32(h + 44);
  directoryStart_ = U32(h + 48);
  miniFatStart_ = U32(h + 60);
  miniFatSectors_ = U32(h + 64);
  difatStart_ = U32(h + 68);
  difatSectors_ = U32(h + 72);
  if (major == 3) largeSizes_ = false;
}

void CompoundFile::readSector(std::uint32_t sector, std::uint8_t* dst) const {
  if (sector >= fileSectors_) damaged("扇区号超出文件");
  if (!ReadAt(*fd_, (static_cast<std::uint64_t>(sector) + 1) << sectorShift_, dst, sectorSize_))
    damaged("读取失败：" + SystemErrorText(errno));
}

// The allocation table: its sector numbers come from the header's 109 slots,
// then from the DIFAT sectors chained after them.
void CompoundFile::readFat(const std::uint8_t* h) {
  if (fatSectors_ == 0 || fatSectors_ > fileSectors_) damaged("分配表大小无效");
  std::vector<std::uint32_t> fatIds;
  for (std::size_t i = 0; i < 109 && fatIds.size() < fatSectors_; ++i) fatIds.push_back(U32(h + 76 + 4 * i));
  const std::uint32_t perDifat = sectorSize_ / 4 - 1;
  std::vector<std::uint8_t> buf(sectorSize_);
  std::vector<bool> seen(fileSectors_);
  for (std::uint32_t next = difatStart_; fatIds.size() < fatSectors_;) {
    if (next >= fileSectors_) damaged("分配表索引不完整");
    if (seen[next]) damaged("分配表索引的扇区链循环");
    seen[next] = true;
    readSector(next, buf.data());
    for (std::uint32_t k = 0; k < perDifat && fatIds.size() < fatSectors_; ++k) fatIds.push_back(U32(&buf[4 * k]));
    next = U32(&buf[4 * perDifat]);
  }
  fat_.reserve(fileSectors_);
  for (std::uint32_t id : fatIds) {
    readSector(id, buf.data());
    for (std::uint32_t k = 0; k < sectorSize_ / 4 && fat_.size() < fileSectors_; ++k) fat_.push_back(U32(&buf[4 * k]));
  }
}

// Follows a chain of `table` from `start` for at most `count` sectors. With
// `exact`, a chain that ends earlier is damage.
std::vector<std::uint32_t> CompoundFile::chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                               std::uint64_t count, bool exact) const {
  std::vector<std::uint32_t> out;
  std::vector<bool> seen(table.size());
  for (std::uint32_t s = start; out.size() < count; s = table[s]) {
    if (s == kEndOfChain && !exact) break;
    if (s >= table.size()) damaged(s == kEndOfChain ? "数据流不完整" : "扇区号超出文件");
    if (seen[s]) damaged("扇区链循环");
    seen[s] = true;
    out.push_back(s);
  }
  return out;
}

void CompoundFile::readDirectory() {
  std::vector<std::uint8_t> buf(sectorSize_);
  for (std::uint32_t sector : chain(fat_, directoryStart_, fileSectors_, false)) {
    readSector(sector, buf.data());
    for (std::uint32_t at = 0; at + 128 <= sectorSize_; at += 128) {
      const std::uint8_t* e = &buf[at];
      Entry entry;
      const std::size_t units = std::min<std::size_t>(U16(e + 64), 64) / 2;
      for (std::size_t k = 0; k + 1 < units; ++k) AppendUtf8(entry.name, U16(e + 2 * k));
      entry.type = e[66];
      entry.left = U32(e + 68);
      entry.right = U32(e + 72);
      entry.child = U32(e + 76);
      entry.start = U32(e + 116);
      entry.size = largeSizes_ ? U64(e + 120) : U32(e + 120);
      entries_.push_back(std::move(entry));
    }
  }
  if (entries_.empty() || entries_[0].type != kRootEntry) damaged("目录无效");
}

void CompoundFile::readMiniFat() {
  if (miniFatSectors_ == 0 || miniFatStart_ == kEndOfChain) return;
  std::vector<std::uint8_t> buf(sectorSize_);
  for (std::uint32_t sector : chain(fat_, miniFatStart_, std::min(miniFatSectors_, fileSectors_), false)) {
    readSector(sector, buf.data());
    for (std::uint32_t k = 0; k < sectorSize_ / 4; ++k) miniFat_.push_back(U32(&buf[4 * k]));
  }
}

// The root's children form a tree through their left and right links; it
// is walked with an explicit stack, each entry at most once.
void CompoundFile::collectTopLevel() {
  std::vector<bool> seen(entries_.size());
  std::vector<std::uint32_t> stack{entries_[0].child};
  while (!stack.empty()) {
    const std::uint32_t id = stack.back();
    stack.pop_back();
    if (id == kNoStream || id >= entries_.size() || seen[id]) continue;
    seen[id] = true;
    topLevel_.push_back(id);
    stack.push_back(entries_[id].left);
    stack.push_back(entries_[id].right);
  }
}

const CompoundFile::Entry* CompoundFile::find(const std::string& name) const {
  const std::string want = Lower(name);
  for (std::size_t id : topLevel_)
    if (entries_[id].type == kStreamEntry && Lower(entries_[id].name) == want) return &entries_[id];
  return nullptr;
}

bool CompoundFile::hasStream(const std::string& name) const { return find(name) != nullptr; }

CompoundStream CompoundFile::openStream(const std::string& name) const {
  const Entry* e = find(name);
  if (!e) throw Error("工作簿中没有数据流“" + name + "”：" + path_);
  if (e->size > fileSize_) damaged("数据流“" + name + "”的长度超出文件");
  CompoundStream out;
  out.fd_ = fd_;
  out.sectorSize_ = sectorSize_;
  if (e->size >= kMiniCutoff) {
    out.sectors_ = chain(fat_, e->start, (e->size + sectorSize_ - 1) / sectorSize_, true);
    out.size_ = e->size;
    return out;
  }
  // A small stream lives in 64-byte pieces of the root's mini stream; it is
  // read whole into memory.
  const Entry& root = entries_[0];
  if (root.size > fileSize_) damaged("迷你数据流的长度超出文件");
  CompoundStream container;
  container.fd_ = fd_;
  container.sectorSize_ = sectorSize_;
  container.sectors_ = chain(fat_, root.start, (root.size + sectorSize_ - 1) / sectorSize_, true);
  container.size_ = root.size;
  std::vector<std::uint8_t> data;
  for (std::uint32_t mini : chain(miniFat_, e->start, (e->size + kMiniSectorSize - 1) / kMiniSectorSize, true)) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kMiniSectorSize, e->size - data.size()));
    const std::uint8_t* p = container.view(static_cast<std::uint64_t>(mini) * kMiniSectorSize, n);
    data.insert(data.end(), p, p + n);
  }
  out.fd_.reset();
  out.window_ = std::move(data);
  out.windowLength_ = out.window_.size();
  out.size_ = e->size;
  return out;
}

}  // namespace tessaro::source
