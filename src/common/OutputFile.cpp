#include "common/OutputFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Error.h"

namespace tessaro {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

// The temporary files that exist now; the mutex also covers every commit's
// renames, so RemoveTemporaryFiles never runs in the middle of one.
std::mutex gLiveMutex;
std::vector<std::string> gLive;
std::atomic<int> gFailRename{-1};

void ForgetLocked(const std::string& path) {
  auto it = std::find(gLive.begin(), gLive.end(), path);
  if (it != gLive.end()) gLive.erase(it);
}

// A name beside `target` that is free now: ".NAME" + tag + a random number.
std::string HiddenSibling(const std::string& target, const char* tag, std::random_device& rd) {
  fs::path p(target);
  fs::path dir = p.parent_path();
  if (dir.empty()) dir = ".";
  return (dir / ("." + p.filename().string() + tag)).string() + std::to_string(rd() % 1000000000u);
}

std::string Reason(const std::string& target, int err) {
  return "无法写入文件 " + target + "：" + SystemErrorText(err);
}

}  // namespace

OutputFile::OutputFile(std::string targetPath) : target_(std::move(targetPath)) {
  std::random_device rd;
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    std::string candidate = HiddenSibling(target_, ".tmp-", rd);
    std::lock_guard<std::mutex> lock(gLiveMutex);
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw Error("无法创建文件 " + target_ + "：" + SystemErrorText(errno));
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
      ::close(fd);
      ::unlink(candidate.c_str());
      throw Error("无法创建文件 " + target_);
    }
    temp_ = candidate;
    gLive.push_back(temp_);
  }
  if (!file_) throw Error("无法创建文件 " + target_);
  buffer_.reserve(kBufferSize * 2);
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) {
    std::lock_guard<std::mutex> lock(gLiveMutex);
    ::unlink(temp_.c_str());
    ForgetLocked(temp_);
  }
}

void OutputFile::flushBuffer() {
  if (buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    throw Error("写入文件失败 " + target_ + "：" + SystemErrorText(errno));
  buffer_.clear();
}

void OutputFile::close() {
  if (!file_) return;
  flushBuffer();
  std::FILE* fp = file_;
  file_ = nullptr;
  if (std::fflush(fp) != 0 || std::fclose(fp) != 0)
    throw Error("写入文件失败 " + target_ + "：" + SystemErrorText(errno));
}

void OutputFile::write(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) flushBuffer();
}

void OutputFile::writeLine(std::string_view line) {
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= kBufferSize) flushBuffer();
}

void OutputFile::commit() { CommitAll({this}); }

namespace {

// One file of a commit: where its earlier file went and how far it got.
struct Placement {
  std::string temp, target, backup;  // backup empty: no earlier file
  bool asideDone = false, placed = false;
};

// Checks a target before anything is replaced and carries the earlier
// file's permission bits over to the new one.
Placement Check(const std::string& temp, const std::string& target, std::random_device& rd) {
  Placement p{temp, target, {}};
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) {
    if (errno == ENOENT) return p;
    throw Error(Reason(target, errno));
  }
  if (S_ISDIR(st.st_mode)) throw Error("无法写入文件 " + target + "：已有同名的文件夹");
  if (S_ISREG(st.st_mode)) {
    if (::access(target.c_str(), W_OK) != 0 && errno == EACCES)
      throw Error("无法写入文件 " + target + "：已有的同名文件是只读的");
    ::chmod(temp.c_str(), st.st_mode & 0777);
  }
  do p.backup = HiddenSibling(target, ".bak-", rd);
  while (::access(p.backup.c_str(), F_OK) == 0);
  return p;
}

// Takes back what a failed commit did, newest first. Returns a note for an
// earlier file that could not be put back.
std::string Undo(std::vector<Placement>& plan) {
  std::string note;
  for (auto it = plan.rbegin(); it != plan.rend(); ++it) {
    if (it->placed && it->backup.empty()) ::unlink(it->target.c_str());
    if (it->asideDone && std::rename(it->backup.c_str(), it->target.c_str()) != 0)
      note += "；原文件保存在 " + it->backup;
  }
  return note;
}

}  // namespace

void CommitAll(const std::vector<OutputFile*>& files) {
  for (OutputFile* f : files) f->close();
  std::lock_guard<std::mutex> lock(gLiveMutex);
  std::random_device rd;
  std::vector<Placement> plan;
  for (OutputFile* f : files) plan.push_back(Check(f->temp_, f->target_, rd));
  const int failAt = gFailRename.exchange(-1);
  auto fail = [&](const std::string& target, int err) {
    const std::string note = Undo(plan);
    throw Error(Reason(target, err) + note);
  };
  for (Placement& p : plan) {
    if (p.backup.empty()) continue;
    if (std::rename(p.target.c_str(), p.backup.c_str()) != 0) fail(p.target, errno);
    p.asideDone = true;
  }
  for (std::size_t i = 0; i < plan.size(); ++i) {
    Placement& p = plan[i];
    if (static_cast<int>(i) == failAt) fail(p.target, ENOSPC);
    if (std::rename(p.temp.c_str(), p.target.c_str()) != 0) fail(p.target, errno);
    p.placed = true;
  }
  for (std::size_t i = 0; i < plan.size(); ++i) {
    if (plan[i].asideDone) ::unlink(plan[i].backup.c_str());
    files[i]->committed_ = true;
    ForgetLocked(files[i]->temp_);
  }
}

void RemoveTemporaryFiles() {
  std::lock_guard<std::mutex> lock(gLiveMutex);
  for (const std::string& path : gLive) ::unlink(path.c_str());
  gLive.clear();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(path), ec);
  if (ec) return path;
  return p.lexically_normal().generic_string();
}

namespace detail {
void FailNextCommitRename(int index) { gFailRename.store(index); }
}  // namespace detail

}  // namespace tessaro
