#include "common/Error.h"

#include <cerrno>
#include <cstring>

namespace tessaro {

namespace {

struct ErrnoText {
  int err;
  const char* text;
};

// The failures a user meets when reading workbooks and writing layers, in
// the words Chinese desktops use for them.
constexpr ErrnoText kErrnoTexts[] = {
    {ENOENT, "没有那个文件或目录"},
    {EACCES, "权限不够"},
    {EPERM, "不允许的操作"},
    {ENOSPC, "磁盘空间不足"},
    {EDQUOT, "超出磁盘配额"},
    {EROFS, "只读文件系统"},
    {EISDIR, "是一个目录"},
    {ENOTDIR, "路径中有一段不是目录"},
    {EEXIST, "文件已存在"},
    {ENAMETOOLONG, "文件名过长"},
    {EMFILE, "打开的文件过多"},
    {ENFILE, "系统中打开的文件过多"},
    {EIO, "输入/输出错误"},
    {EBUSY, "设备或资源忙"},
    {ETXTBSY, "文件正被使用"},
    {EFBIG, "文件过大"},
    {ELOOP, "符号链接层数过多"},
    {ENOMEM, "内存不足"},
    {EINVAL, "无效的参数"},
    {EXDEV, "不能跨文件系统移动"},
    {ENXIO, "没有那个设备或地址"},
    {ENODEV, "没有那个设备"},
    {EAGAIN, "资源暂时不可用"},
    {EINTR, "操作被中断"},
    {ESTALE, "文件句柄已失效（网络文件系统）"},
    {ENOTEMPTY, "目录不是空的"},
    {EBADF, "无效的文件描述符"},
};

}  // namespace

std::string SystemErrorText(int err) {
  for (const ErrnoText& e : kErrnoTexts)
    if (e.err == err) return e.text;
  // A rare code: its number and the system's own words, so it can be looked up.
  return "系统错误 " + std::to_string(err) + "（" + std::strerror(err) + "）";
}

std::string SystemErrorText(const std::error_code& ec) {
  if (ec.category() == std::generic_category() || ec.category() == std::system_category())
    return SystemErrorText(ec.value());
  return ec.message();
}

}  // namespace tessaro
