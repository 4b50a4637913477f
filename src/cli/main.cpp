// tessaro-cli: every layer of Tessaro without a window.
#include <clocale>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "common/Error.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const tessaro::cli::CommandArgs&);
  const char* synopsis;
};

const Command kCommands[] = {
    {"sheets", tessaro::cli::Sheets, "sheets BOOK"},
    {"columns", tessaro::cli::Columns, "columns BOOK SHEET [--window sector|landmark|drivetest|flyline-cells|flyline-points]"},
    {"query", tessaro::cli::Query, "query BOOK SQL"},
    {"kml-sector", tessaro::cli::KmlSector, "kml-sector BOOK [options]"},
    {"mif-sector", tessaro::cli::MifSector, "mif-sector BOOK [options]"},
    {"kml-drivetest", tessaro::cli::KmlDriveTest, "kml-drivetest BOOK [options]"},
    {"mif-drivetest", tessaro::cli::MifDriveTest, "mif-drivetest BOOK [options]"},
    {"kml-flyline", tessaro::cli::KmlFlyLine, "kml-flyline BOOK --cells SHEET [options]"},
    {"mif-flyline", tessaro::cli::MifFlyLine, "mif-flyline BOOK --cells SHEET [options]"},
    {"kml-landmark", tessaro::cli::KmlLandmark, "kml-landmark BOOK [options]"},
    {"cell-report", tessaro::cli::CellReport,
     "cell-report BOOK --cells SHEET [--points SHEET] [--value C] [--bounds ...] [--far 3000]\n"
     "      [--beamwidth 35] [--beamwidth-column C] [--cell-name C] [fly-line column and condition options] -o NAME\n"
     "      per-cell statistics of the fly-line join: NAME.xlsx and NAME.html"},
};

void Usage(std::ostream& out) {
  out << "Usage: tessaro-cli COMMAND BOOK [options]\n"
         "   or: tessaro-cli --version | --help\n\ncommands:\n";
  for (const auto& c : kCommands) out << "  " << c.synopsis << "\n";
  out << "\nEvery kml-* command also takes --decimals N (longitudes and latitudes rounded to at\n"
         "most N decimals); kml-drivetest, kml-flyline and kml-landmark take --regionate (a KMZ\n"
         "super-overlay: Region/Lod tiles of at most 480 placemarks, for very large layers).\n"
         "\nEvery command accepts -q (no progress bar). Options take their value as the\n"
         "next argument or after \"=\": --radius 80, --radius=80.\n"
         "tessaro-cli COMMAND --help lists that command's options.\n"
         "\nanalysis (without these options every layer is as before):\n"
         "  --grid M, --stat S     kml-drivetest, mif-drivetest: square bins of M metres (5 to 1000)\n"
         "                         on the UTM grid, coloured by statistic S: mean (default),\n"
         "                         mean-linear, median, min, max or count\n"
         "  --colour-by C, --mod N kml-sector, mif-sector, kml-drivetest, mif-drivetest: one colour\n"
         "                         per distinct value of column C, or per value mod N (PCI mod 3)\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "C");
  tessaro::cli::InstallInterruptHandling();
  if (argc < 2) {
    Usage(std::cerr);
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--version" || first == "-V") {
    std::cout << "tessaro-cli " << TESSARO_VERSION << "\n";
    return 0;
  }
  if (first == "--help" || first == "-h" || first == "help") {
    Usage(std::cout);
    return 0;
  }
  std::vector<std::string> rest(argv + 2, argv + argc);
  for (const auto& c : kCommands) {
    if (first == c.name) {
      try {
        return c.run(rest);
      } catch (const tessaro::Cancelled&) {
        return tessaro::cli::CancelledStatus();
      } catch (const tessaro::cli::HelpRequested& help) {
        std::cout << "usage: tessaro-cli " << c.synopsis << "\n\noptions:\n" << tessaro::cli::OptionsHelp(help.options);
        return 0;
      } catch (const tessaro::cli::UsageError& e) {
        std::cerr << "tessaro-cli " << c.name << ": " << e.what() << "\nusage: tessaro-cli " << c.synopsis << "\n";
        return 2;
      } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
      }
    }
  }
  std::cerr << "tessaro-cli: unknown command " << first << "\n";
  Usage(std::cerr);
  return 2;
}
