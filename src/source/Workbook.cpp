// Placeholder until the workbook readers and the SQL engine land.
#include "source/Provider.h"

namespace tessaro {

std::unique_ptr<Connection> Connection::open(const std::string&) {
  throw Error("workbook provider not built yet");
}

std::vector<std::string> ListSheetNames(const std::string&) { throw Error("workbook provider not built yet"); }

std::vector<std::string> ListColumnNames(const std::string&, const std::string&) {
  throw Error("workbook provider not built yet");
}

}  // namespace tessaro
