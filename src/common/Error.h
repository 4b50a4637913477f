#pragma once
// The one exception type of the core. Every failure a user can cause (a bad
// cell, a missing column, an unreadable workbook) is thrown as an Error whose
// text names the row, the column and what was wrong, so a window can show it
// as the detail of its message box and the CLI can print it.
#include <stdexcept>
#include <string>

namespace tessaro {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tessaro
