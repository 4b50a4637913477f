// Placeholder: the command lands with its layer.
#include "cli/Commands.h"

#include <iostream>

namespace tessaro::cli {

int MifDriveTest(const CommandArgs&) {
  std::cerr << "not built yet\n";
  return 1;
}

}  // namespace tessaro::cli
