#include "kml/Regionate.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "common/Error.h"
#include "kml/KmlWriter.h"
#include "kml/LeanPlacemark.h"

namespace tessaro {

namespace {

constexpr std::uint32_t kNoStyle = 0xFFFFFFFFu;
// The smallest root box, in degrees of latitude (about 1 km): a layer of a
// few points on one spot still shows from a sensible height.
constexpr double kMinRootSide = 0.01;

std::string Number(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string NetworkLink(const GeoBox& box, const std::string& href, const std::string& nameLine) {
  std::string s = "<NetworkLink>";
  if (!nameLine.empty()) s += "\r\n" + nameLine + "\r\n";
  s += RegionText(box);
  if (!nameLine.empty()) s += "\r\n";
  s += "<Link><href>" + XmlEscape(href) + "</href><viewRefreshMode>onRegion</viewRefreshMode></Link>";
  if (!nameLine.empty()) s += "\r\n";
  return s + "</NetworkLink>";
}

std::string Prologue() {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml xmlns=\"") + kKmlNamespace +
         "\">\r\n<Document>\r\n";
}

}  // namespace

std::string StyleId(std::uint32_t index) {
  std::string id;
  for (std::uint64_t n = std::uint64_t(index) + 1; n > 0; n = (n - 1) / 26)
    id.insert(id.begin(), static_cast<char>('a' + (n - 1) % 26));
  return id;
}

std::string RegionText(const GeoBox& box) {
  return "<Region><LatLonAltBox><north>" + Number(box.north) + "</north><south>" + Number(box.south) +
         "</south><east>" + Number(box.east) + "</east><west>" + Number(box.west) +
         "</west></LatLonAltBox><Lod><minLodPixels>" + std::to_string(kMinLodPixels) +
         "</minLodPixels><maxLodPixels>-1</maxLodPixels></Lod></Region>";
}

// The placemarks' lean texts, written front to back and read back by
// offset. The file is unlinked at once, so it vanishes however the process
// ends.
class SuperOverlay::Scratch {
 public:
  explicit Scratch(const std::string& folder) {
    std::string path = (folder.empty() ? std::string(".") : folder) + "/.tessaro-tiles-XXXXXX";
    fd_ = ::mkstemp(path.data());
    if (fd_ >= 0) {
      ::unlink(path.c_str());
      return;
    }
    file_ = std::tmpfile();  // a folder we may not write into: the system's
    if (!file_) throw Error(std::string("无法创建临时文件：") + std::strerror(errno));
    fd_ = ::fileno(file_);
  }
  ~Scratch() {
    if (file_) std::fclose(file_);
    else ::close(fd_);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::uint64_t append(std::string_view text) {
    const std::uint64_t at = size_ + buffer_.size();
    buffer_.append(text);
    if (buffer_.size() >= (1u << 20)) flush();
    return at;
  }

  void flush() {
    for (std::size_t done = 0; done < buffer_.size();) {
      const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw Error(std::string("无法写入临时文件：") + std::strerror(errno));
      done += static_cast<std::size_t>(n);
    }
    size_ += buffer_.size();
    buffer_.clear();
  }

  // Appends the bytes [offset, offset + length) to `out`.
  void read(std::uint64_t offset, std::size_t length, std::string& out) {
    const std::size_t at = out.size();
    out.resize(at + length);
    for (std::size_t done = 0; done < length;) {
      const ssize_t n = ::pread(fd_, out.data() + at + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw Error(std::string("无法读取临时文件：") + std::strerror(errno));
      done += static_cast<std::size_t>(n);
    }
  }

 private:
  int fd_ = -1;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::uint64_t size_ = 0;
};

SuperOverlay::SuperOverlay(const std::string& scratchFolder, int decimals)
    : decimals_(decimals), scratch_(std::make_unique<Scratch>(scratchFolder)) {}

SuperOverlay::~SuperOverlay() = default;

void SuperOverlay::line(std::string_view text) {
  if (!placemark_.empty() || text.substr(0, 11) == "<Placemark>") {
    placemark_.append(text);
    placemark_.append("\r\n");
    if (text.size() >= 12 && text.substr(text.size() - 12) == "</Placemark>") {
      placemark(placemark_);
      placemark_.clear();
    }
    return;
  }
  inRun_ = false;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    skeletonLine(text.substr(at, end - at));
    at = end + 2;
  }
}

void SuperOverlay::skeletonLine(std::string_view line) {
  // A style of the document moves into the tiles that use it.
  if (!openStyle_.empty() || line.substr(0, 11) == "<Style id=\"") {
    openStyle_.append(line);
    openStyle_.append("\r\n");
    if (line.size() < 8 || line.substr(line.size() - 8) != "</Style>") return;
    const std::size_t idEnd = openStyle_.find('"', 11);
    const std::size_t content = openStyle_.find('>', idEnd) + 1;
    const std::size_t close = openStyle_.rfind("</Style>");
    docStyles_["#" + openStyle_.substr(11, idEnd - 11)] = openStyle_.substr(content, close - content);
    openStyle_.clear();
    return;
  }
  if (line.substr(0, 6) == "<name>") lastName_ = std::string(line);
  skeleton_.push_back({std::string(line), -1});
}

std::uint32_t SuperOverlay::styleIndex(const std::string& content) {
  const auto [it, added] = styleIds_.emplace(content, static_cast<std::uint32_t>(styles_.size()));
  if (added) styles_.push_back(content);
  return it->second;
}

void SuperOverlay::placemark(std::string_view text) {
  LeanPlacemark p = MakeLean(text, decimals_);
  std::uint32_t style = kNoStyle;
  if (!p.style.empty()) {
    style = styleIndex(p.style);
  } else if (auto doc = docStyles_.find(p.styleRef); doc != docStyles_.end()) {
    style = styleIndex(LeanStyle(doc->second));
  }
  // A shared style's mark stays: each tile numbers the styles it holds.
  const std::size_t mark = p.text.find(kStyleMark);
  if (mark != std::string::npos && style == kNoStyle)
    p.text.replace(mark, kStyleMark.size(),
                   p.styleRef.empty() ? std::string() : "<styleUrl>" + XmlEscape(p.styleRef) + "</styleUrl>");
  p.text += "\r\n";
  if (!inRun_) {
    trees_.emplace_back(items_.size(), items_.size());
    skeleton_.push_back({lastName_, static_cast<int>(trees_.size() - 1)});
    inRun_ = true;
  }
  if (p.when) {
    if (!begin_ || *p.when < *begin_) begin_ = p.when;
    if (!end_ || *p.when > *end_) end_ = p.when;
  }
  if (p.text.size() > 0xFFFFFFFFu) throw Error("地标过大");
  items_.push_back({scratch_->append(p.text), static_cast<std::uint32_t>(p.text.size()), style, p.lon, p.lat});
  ++trees_.back().second;
}

namespace {

// A square box on the ground (as near as degrees allow) around the items,
// at least kMinRootSide high, inside the globe's range.
template <typename Items>
GeoBox RootBox(const Items& items, std::size_t first, std::size_t last) {
  GeoBox b{items[first].lon, items[first].lat, items[first].lon, items[first].lat};
  for (std::size_t i = first; i < last; ++i) {
    b.west = std::min(b.west, items[i].lon);
    b.east = std::max(b.east, items[i].lon);
    b.south = std::min(b.south, items[i].lat);
    b.north = std::max(b.north, items[i].lat);
  }
  const double midLat = (b.south + b.north) / 2, midLon = (b.west + b.east) / 2;
  const double shrink = std::max(std::cos(midLat * M_PI / 180), 0.05);  // a degree of longitude on the ground
  const double side = std::max({b.north - b.south, (b.east - b.west) * shrink, kMinRootSide});
  GeoBox r{midLon - side / shrink / 2, midLat - side / 2, midLon + side / shrink / 2, midLat + side / 2};
  r.west = std::max(std::min(r.west, b.west), -180.0);
  r.east = std::min(std::max(r.east, b.east), 180.0);
  r.south = std::max(std::min(r.south, b.south), -90.0);
  r.north = std::min(std::max(r.north, b.north), 90.0);
  return r;
}

}  // namespace

namespace {

// Finished tiles, handed from the thread that builds them to the one that
// deflates them into the archive, a few at a time: the two halves of the
// work overlap. Either side may give up: the builder by finishing early,
// the archive side by stopping, after which no tile is taken.
class TileQueue {
 public:
  using Tile = std::pair<std::string, std::string>;  // entry name, text

  // False once the archive side has given up (the builder then stops).
  bool push(Tile tile) {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return tiles_.size() < kDepth || stopped_; });
    if (stopped_) return false;
    tiles_.push_back(std::move(tile));
    ready_.notify_one();
    return true;
  }
  // The next tile; nothing once the builder has finished and every tile is taken.
  std::optional<Tile> pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return !tiles_.empty() || finished_; });
    if (tiles_.empty()) return std::nullopt;
    Tile t = std::move(tiles_.front());
    tiles_.pop_front();
    room_.notify_one();
    return t;
  }
  void finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    ready_.notify_all();
  }
  void stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    room_.notify_all();
  }
 private:
  static constexpr std::size_t kDepth = 4;
  std::mutex mutex_;
  std::condition_variable room_, ready_;
  std::deque<Tile> tiles_;
  bool finished_ = false, stopped_ = false;
};

// Thrown in the builder when the archive side has stopped (its error is
// the one to report).
struct Stopped {};

}  // namespace

// Builds the tiles of one tree, depth first, each tile as soon as its
// children are known, and hands them to the queue.
class SuperOverlay::TreeWriter {
 public:
  TreeWriter(const SuperOverlay& overlay, TileQueue& queue) : o_(overlay), queue_(queue) {}

  void node(std::vector<std::uint32_t> items, const GeoBox& box, int level, const std::string& name) {
    std::vector<std::uint32_t> kept;
    std::vector<std::pair<std::vector<std::uint32_t>, std::string>> children;
    std::vector<GeoBox> boxes;
    if (items.size() <= kTilePlacemarks || level + 1 >= kMaxLevels) {
      kept = std::move(items);
    } else {
      std::vector<std::uint32_t> rest;
      Thin(items, box, kept, rest);
      items = {};
      if (level + 2 < kMaxLevels) {
        split(rest, box, name, children, boxes);
      } else {
        // The last quadrant level: the rest in tiles of the same box.
        for (std::size_t at = 0, n = 1; at < rest.size(); at += kTilePlacemarks, ++n) {
          const std::size_t end = std::min(rest.size(), at + kTilePlacemarks);
          children.emplace_back(std::vector<std::uint32_t>(rest.begin() + static_cast<std::ptrdiff_t>(at),
                                                           rest.begin() + static_cast<std::ptrdiff_t>(end)),
                                name + "x" + std::to_string(n));
          boxes.push_back(box);
        }
      }
    }
    tile(kept, children, boxes, name);
    kept = {};
    for (std::size_t c = 0; c < children.size(); ++c)
      node(std::move(children[c].first), boxes[c], level + 1, children[c].second);
  }

 private:
  // Keeps at most kTilePlacemarks of `items` spread evenly over `box`: on a
  // grid of about that many cells, the first placemark (in layer order) of
  // every cell, then the second of every cell, and so on; the others go to
  // `rest`. Both keep the layer's order.
  void Thin(const std::vector<std::uint32_t>& items, const GeoBox& box, std::vector<std::uint32_t>& kept,
            std::vector<std::uint32_t>& rest) const {
    const int g = static_cast<int>(std::sqrt(static_cast<double>(kTilePlacemarks)));
    std::vector<std::uint32_t> count(static_cast<std::size_t>(g * g), 0), rank(items.size());
    std::vector<std::size_t> perRank;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const Item& it = o_.items_[items[i]];
      const int x = std::clamp(static_cast<int>((it.lon - box.west) / (box.east - box.west) * g), 0, g - 1);
      const int y = std::clamp(static_cast<int>((it.lat - box.south) / (box.north - box.south) * g), 0, g - 1);
      rank[i] = count[static_cast<std::size_t>(y * g + x)]++;
      if (rank[i] >= perRank.size()) perRank.resize(rank[i] + 1, 0);
      ++perRank[rank[i]];
    }
    // Whole ranks below `full`, then the first `partial` of rank `full`.
    std::size_t full = 0, room = kTilePlacemarks;
    while (full < perRank.size() && perRank[full] <= room) room -= perRank[full++];
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (rank[i] < full || (rank[i] == full && room > 0)) {
        if (rank[i] == full) --room;
        kept.push_back(items[i]);
      } else {
        rest.push_back(items[i]);
      }
    }
  }

  // The quadrants of `box` that hold any of `rest`: south-west, south-east,
  // north-west, north-east, named after their parent and "a" to "d".
  void split(const std::vector<std::uint32_t>& rest, const GeoBox& box, const std::string& name,
             std::vector<std::pair<std::vector<std::uint32_t>, std::string>>& children,
             std::vector<GeoBox>& boxes) const {
    const double midLon = (box.west + box.east) / 2, midLat = (box.south + box.north) / 2;
    std::array<std::vector<std::uint32_t>, 4> parts;
    for (std::uint32_t i : rest) {
      const Item& it = o_.items_[i];
      parts[(it.lon >= midLon ? 1u : 0u) + (it.lat >= midLat ? 2u : 0u)].push_back(i);
    }
    for (unsigned q = 0; q < 4; ++q) {
      if (parts[q].empty()) continue;
      GeoBox b = box;
      (q & 1 ? b.west : b.east) = midLon;
      (q & 2 ? b.south : b.north) = midLat;
      boxes.push_back(b);
      children.emplace_back(std::move(parts[q]), name + static_cast<char>('a' + q));
    }
  }

  void tile(const std::vector<std::uint32_t>& kept,
            const std::vector<std::pair<std::vector<std::uint32_t>, std::string>>& children,
            const std::vector<GeoBox>& boxes, const std::string& name) {
    text_ = Prologue();
    // The tile's styles, numbered in the order its placemarks first use them.
    local_.clear();
    for (std::uint32_t i : kept) {
      const std::uint32_t style = o_.items_[i].style;
      if (style == kNoStyle || !local_.emplace(style, static_cast<std::uint32_t>(local_.size())).second) continue;
      text_ += "<Style id=\"" + StyleId(local_[style]) + "\">" + o_.styles_[style] + "</Style>\r\n";
    }
    placemarks(kept);
    for (std::size_t c = 0; c < children.size(); ++c)
      text_ += NetworkLink(boxes[c], children[c].second + ".kml", "") + "\r\n";
    text_ += "</Document>\r\n</kml>\r\n";
    if (!queue_.push({kTileFolder + name + ".kml", std::move(text_)})) throw Stopped();
    text_ = std::string();
  }

  // The kept placemarks, each with its tile's style id. They lie in the
  // scratch file in layer order, mostly close together: read in runs.
  void placemarks(const std::vector<std::uint32_t>& kept) {
    for (std::size_t k = 0; k < kept.size();) {
      const Item& first = o_.items_[kept[k]];
      std::uint64_t end = first.offset + first.length;
      std::size_t n = k + 1;
      for (; n < kept.size(); ++n) {
        const Item& next = o_.items_[kept[n]];
        if (next.offset < end || next.offset - end > kRunGap) break;
        end = next.offset + next.length;
      }
      run_.clear();
      o_.scratch_->read(first.offset, static_cast<std::size_t>(end - first.offset), run_);
      for (; k < n; ++k) {
        const Item& it = o_.items_[kept[k]];
        const std::string_view text(run_.data() + (it.offset - first.offset), it.length);
        const std::size_t mark = it.style == kNoStyle ? std::string_view::npos : text.find(kStyleMark);
        if (mark == std::string_view::npos) {
          text_ += text;
          continue;
        }
        text_ += text.substr(0, mark);
        text_ += "<styleUrl>#" + StyleId(local_[it.style]) + "</styleUrl>";
        text_ += text.substr(mark + kStyleMark.size());
      }
    }
  }

  // Placemarks at most this many bytes apart are read in one go.
  static constexpr std::uint64_t kRunGap = 4096;

  const SuperOverlay& o_;
  TileQueue& queue_;
  std::string text_, run_;
  std::unordered_map<std::uint32_t, std::uint32_t> local_;  // style -> its number in the tile
};

void SuperOverlay::writeDocument(ZipStream& zip, const std::vector<GeoBox>& roots) const {
  std::string doc;
  const std::string span =
      begin_ ? "<TimeSpan><begin>" + *begin_ + "</begin><end>" + *end_ + "</end></TimeSpan>\r\n" : std::string();
  bool spanDue = false;
  for (const Piece& piece : skeleton_) {
    if (spanDue && piece.tree < 0 && piece.text.substr(0, 6) == "<name>") {
      doc += piece.text + "\r\n" + span;
      spanDue = false;
      continue;
    }
    if (spanDue) doc += span;
    spanDue = false;
    if (piece.tree >= 0) {
      const std::size_t t = static_cast<std::size_t>(piece.tree);
      doc += NetworkLink(roots[t], kTileFolder + std::to_string(t) + ".kml", piece.text) + "\r\n";
      continue;
    }
    doc += piece.text + "\r\n";
    spanDue = piece.text == "<Document>";
  }
  zip.add("doc.kml", doc);
}

void SuperOverlay::write(ZipStream& zip) {
  if (!placemark_.empty()) throw Error("地标不完整");
  scratch_->flush();
  std::vector<GeoBox> roots;
  for (const auto& [first, last] : trees_) roots.push_back(RootBox(items_, first, last));
  writeDocument(zip, roots);
  // The tiles are built here and deflated on a second thread (which keeps
  // its allocations few: the memory the layer's rows left is reused here).
  TileQueue queue;
  std::exception_ptr archiveError;
  std::thread archiver([&] {
    try {
      while (auto tile = queue.pop()) zip.add(tile->first, tile->second);
    } catch (...) {
      archiveError = std::current_exception();
      queue.stop();
    }
  });
  try {
    TreeWriter writer(*this, queue);
    for (std::size_t t = 0; t < trees_.size(); ++t) {
      std::vector<std::uint32_t> all(trees_[t].second - trees_[t].first);
      for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint32_t>(trees_[t].first + i);
      writer.node(std::move(all), roots[t], 0, std::to_string(t));
    }
  } catch (const Stopped&) {
  } catch (...) {
    queue.finish();
    archiver.join();
    throw;
  }
  queue.finish();
  archiver.join();
  if (archiveError) std::rethrow_exception(archiveError);
}

}  // namespace tessaro
