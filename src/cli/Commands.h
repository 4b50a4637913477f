#pragma once
// Every tessaro-cli command: args are the words after the command name.
// Each returns the process exit status (0 success, 1 failure, 2 bad usage;
// UsageError thrown from a command is turned into status 2 by main).
#include <string>
#include <vector>

namespace tessaro::cli {

using CommandArgs = std::vector<std::string>;

int Sheets(const CommandArgs& args);
int Columns(const CommandArgs& args);
int Query(const CommandArgs& args);
int KmlSector(const CommandArgs& args);
int MifSector(const CommandArgs& args);
int KmlDriveTest(const CommandArgs& args);
int MifDriveTest(const CommandArgs& args);
int KmlFlyLine(const CommandArgs& args);
int MifFlyLine(const CommandArgs& args);
int KmlLandmark(const CommandArgs& args);
int CellReport(const CommandArgs& args);

}  // namespace tessaro::cli
