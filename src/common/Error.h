#pragma once
// The one exception type of the core. Every failure a user can cause (a bad
// cell, a missing column, an unreadable workbook) is thrown as an Error whose
// text names the row, the column and what was wrong, so a window can show it
// as the detail of its message box and the CLI can print it.
#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tessaro {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what) : std::runtime_error(what) {}
};

// What an operating-system error code (errno) means, in Chinese, for the
// reason a message gives after the path it concerns: "没有那个文件或目录",
// "权限不够", "磁盘空间不足", ... A code without a Chinese text is given
// as its number and the system's own words.
std::string SystemErrorText(int err);
// The same for a std::error_code of the system or generic category; any
// other category's own message.
std::string SystemErrorText(const std::error_code& ec);

// Thrown when the user stopped a command (Progress::cancel). Not an Error: a
// stopped command is not a failure, and code that turns Errors into reasons
// must let it pass.
class Cancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "已取消"; }
};

}  // namespace tessaro
