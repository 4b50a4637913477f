// Workbook provider timings on a large drive-test workbook:
//   bench_source BOOK.xlsx [SHEET [--parse-only]]
// Prints the seconds for listing the sheet's columns, loading the whole sheet
// into the provider, and the drive-test group-by queries on the loaded sheet.
// bench/source_bench.sh builds the workbook and compares with unzip.
#include <chrono>
#include <cstdio>
#include <string>

#include "source/Provider.h"
#include "source/Reader.h"
#include "source/Workbook.h"

namespace {

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_source BOOK.xlsx [SHEET]\n");
    return 2;
  }
  const std::string book = argv[1];
  const std::string sheet = argc > 2 ? argv[2] : "DT";
  try {
    auto t = std::chrono::steady_clock::now();
    auto columns = tessaro::ListColumnNames(book, sheet);
    std::printf("columns\t%.3f\t%zu columns\n", Seconds(t), columns.size());
    tessaro::source::ClearWorkbookCache();

    // The reader alone, cells handed to a sink that only counts them.
    t = std::chrono::steady_clock::now();
    {
      auto reader = tessaro::source::OpenWorkbook(book);
      std::size_t cells = 0;
      reader->readSheet(0, [&](std::uint32_t, const std::vector<tessaro::source::Cell>& row) {
        cells += row.size();
        return true;
      }, false);
      std::printf("parse_only\t%.3f\t%zu cells\n", Seconds(t), cells);
    }
    if (argc > 3 && std::string(argv[3]) == "--parse-only") return 0;

    t = std::chrono::steady_clock::now();
    auto connection = tessaro::Connection::open(tessaro::ConnectionString(book));
    auto count = connection->execute("select count(*) from [" + sheet + "$]");
    std::printf("load\t%.3f\t%s rows\n", Seconds(t), count.value(0).text().c_str());
    std::printf("engine_mib\t%.1f\n", static_cast<double>(tessaro::source::EngineMemoryUsed()) / 1048576.0);

    const std::string binned =
        "select left([LON],8),left([LAT],7),format(avg([RX LevSub(dBm)]),'0') from [" + sheet +
        "$] where [LON]<>0 or [LAT]<>0 group by left([LON],8),left([LAT],7)";
    t = std::chrono::steady_clock::now();
    auto rs = connection->execute(binned);
    std::printf("drivetest_binned\t%.3f\t%zu rows\n", Seconds(t), rs.rowCount());

    const std::string plain = "select [LON],[LAT],format(avg([RX LevSub(dBm)]),'0'),[Event] from [" + sheet +
                              "$] where [LON]<>0 or [LAT]<>0 group by [LON],[LAT],[Event]";
    t = std::chrono::steady_clock::now();
    rs = connection->execute(plain);
    std::printf("drivetest_plain\t%.3f\t%zu rows\n", Seconds(t), rs.rowCount());

    t = std::chrono::steady_clock::now();
    rs = connection->execute("select [LON] as jd,[LAT] as wd,[RX LevSub(dBm)] as zt,yb.* from [" + sheet + "$] as yb");
    std::printf("select_all\t%.3f\t%zu rows\n", Seconds(t), rs.rowCount());
    std::printf("engine_mib_after\t%.1f\n", static_cast<double>(tessaro::source::EngineMemoryUsed()) / 1048576.0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
