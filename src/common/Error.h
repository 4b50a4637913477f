#pragma once
// The one exception type of the core. Every failure a user can cause (a bad
// cell, a missing column, an unreadable workbook) is thrown as an Error whose
// text names the row, the column and what was wrong, so a window can show it
// as the detail of its message box and the CLI can print it.
#include <exception>
#include <stdexcept>
#include <string>

namespace tessaro {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what) : std::runtime_error(what) {}
};

// Thrown when the user stopped a command (Progress::cancel). Not an Error: a
// stopped command is not a failure, and code that turns Errors into reasons
// must let it pass.
class Cancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "已取消"; }
};

}  // namespace tessaro
