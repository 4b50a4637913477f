// Placeholder: the command lands with its layer.
#include "cli/Commands.h"

#include <iostream>

namespace tessaro::cli {

int Sheets(const CommandArgs&) {
  std::cerr << "not built yet\n";
  return 1;
}

int Columns(const CommandArgs&) {
  std::cerr << "not built yet\n";
  return 1;
}

int Query(const CommandArgs&) {
  std::cerr << "not built yet\n";
  return 1;
}

}  // namespace tessaro::cli
