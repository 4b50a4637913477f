// Inspecting a workbook: sheets, columns (with the pre-selection of a
// window), and SQL queries run exactly as a layer runs them.
#include <iostream>
#include <string>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "source/Columns.h"
#include "source/Provider.h"

namespace tessaro::cli {

int Sheets(const CommandArgs& args) {
  Args a = Parse(args, {}, 1, 1);
  try {
    std::string out;
    // One line a sheet: a line break inside a name is written as \n.
    for (const auto& name : ListSheetNames(a.positional[0])) out += EscapeSheetName(name) + "\n";
    std::cout << out;
    return 0;
  } catch (const Error& e) {
    return Fail("无法列出工作表", e.what());
  }
}

int Columns(const CommandArgs& args) {
  Args a = Parse(args, {{"--window"}}, 2, 2);
  std::vector<Role> roles;
  if (auto window = a.get("--window")) {
    roles = WindowRoles(*window);
    if (roles.empty())
      throw UsageError("unknown window " + *window +
                       " (one of sector, landmark, drivetest, flyline-cells, flyline-points)");
  }
  try {
    const auto headers = ListColumnNames(a.positional[0], a.positional[1]);
    std::string out;
    for (const auto& h : headers) out += h + "\n";
    const auto chosen = DetectColumns(headers, roles);
    for (Role r : roles) {
      auto it = chosen.find(r);
      if (it != chosen.end()) out += std::string(RoleName(r)) + "\t" + it->second + "\n";
    }
    std::cout << out;
    return 0;
  } catch (const Error& e) {
    return Fail("无法列出列名", e.what());
  }
}

int Query(const CommandArgs& args) {
  Args a = Parse(args, {}, 2, 2);
  try {
    auto connection = Connection::open(ConnectionString(a.positional[0]));
    RecordSet rs;
    // Loading a large sheet takes seconds: show it on a terminal.
    RunWithProgress(a.quiet(), [&](Progress&) { rs = connection->execute(a.positional[1]); });
    std::string out;
    for (int i = 0; i < rs.fieldCount(); ++i) out += (i ? "\t" : "") + rs.fieldName(i);
    out += "\n";
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
      for (int i = 0; i < rs.fieldCount(); ++i) {
        if (i) out += '\t';
        out += rs.value(i).text();
      }
      out += '\n';
      if (out.size() > (1u << 20)) {
        std::cout << out;
        out.clear();
      }
    }
    std::cout << out;
    connection->close();
    return 0;
  } catch (const Error& e) {
    return Fail("查询失败", e.what());
  }
}

}  // namespace tessaro::cli
