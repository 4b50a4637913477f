#include "common/ReadFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Error.h"

namespace tessaro {

std::string ReadSmallFile(const std::string& path, std::size_t maxBytes) {
  // O_NONBLOCK: opening a pipe that no one writes to returns at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw Error(SystemErrorText(errno));
  struct stat st {};
  std::string problem;
  if (::fstat(fd, &st) != 0) problem = SystemErrorText(errno);
  else if (!S_ISREG(st.st_mode)) problem = "不是普通文件";
  else if (static_cast<unsigned long long>(st.st_size) > maxBytes)
    problem = "文件过大（" + std::to_string(st.st_size) + " 字节）";
  std::string bytes;
  while (problem.empty()) {
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) problem = SystemErrorText(errno);
    else if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) problem = "文件过大";
    else bytes.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (!problem.empty()) throw Error(problem);
  return bytes;
}

}  // namespace tessaro
