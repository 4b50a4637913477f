#include "common/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "common/Error.h"

namespace tessaro {

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}

OutputFile::OutputFile(std::string targetPath) : target_(std::move(targetPath)) {
  fs::path target(target_);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::string base = (dir / ("." + target.filename().string() + ".tmp-")).string();
  std::random_device rd;
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    std::string candidate = base + std::to_string(rd() % 1000000000u);
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw Error("无法创建文件 " + target_ + "：" + std::strerror(errno));
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
      ::close(fd);
      ::unlink(candidate.c_str());
      throw Error("无法创建文件 " + target_);
    }
    temp_ = candidate;
  }
  if (!file_) throw Error("无法创建文件 " + target_);
  buffer_.reserve(kBufferSize * 2);
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void OutputFile::flushBuffer() {
  if (buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    throw Error("写入文件失败 " + target_ + "：" + std::strerror(errno));
  buffer_.clear();
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

void CommitAll(const std::vector<OutputFile*>& files) {
  for (OutputFile* f : files) {
    if (!f->file_) continue;
    f->flushBuffer();
    std::FILE* fp = f->file_;
    f->file_ = nullptr;
    if (std::fflush(fp) != 0 || std::fclose(fp) != 0)
      throw Error("写入文件失败 " + f->target_ + "：" + std::strerror(errno));
  }
  for (OutputFile* f : files) {
    if (std::rename(f->temp_.c_str(), f->target_.c_str()) != 0)
      throw Error("无法写入文件 " + f->target_ + "：" + std::strerror(errno));
    f->committed_ = true;
  }
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(path), ec);
  if (ec) return path;
  return p.lexically_normal().generic_string();
}

}  // namespace tessaro
