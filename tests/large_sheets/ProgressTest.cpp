// A long run on a large sheet: the bar moves while the sheet is read, goes
// through reading, query and writing without moving back, and a cancel as
// soon as the bar moves stops the run, leaving an earlier layer file as it
// was and no temporary file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kml/KmlDriveTest.h"
#include "mif/MifDriveTest.h"
#include "source/Workbook.h"
#include "support/CliRun.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

struct LargeBook {
  fs::path dir = fs::temp_directory_path() / ("tessaro-progress-" + std::to_string(::getpid()));
  std::string path = (dir / "stream.xlsx").string();
  LargeBook() {
    fs::create_directories(dir);
    const std::string cmd =
        "/usr/bin/python3 " TESSARO_SOURCE_DIR "/tests/large_sheets/make_books.py hostile stream '" + path + "' 1000000";
    if (std::system(cmd.c_str()) != 0) path.clear();
  }
  ~LargeBook() { fs::remove_all(dir); }
};

const LargeBook& Book() {
  static LargeBook book;
  return book;
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

template <class Params>
Params DriveTest(const std::string& output) {
  Params p;
  p.workbook = Book().path;
  p.sheet = "S";
  p.lon = "lon";
  p.lat = "lat";
  p.data = "RxLev";
  p.output = output;
  return p;
}

TEST(LongRun, BarMovesThroughThePhasesWithoutGoingBack) {
  ASSERT_FALSE(Book().path.empty());
  source::ClearWorkbookCache();
  Progress progress;
  std::atomic<bool> done{false};
  std::thread run([&] {
    GenerateKmlDriveTest(DriveTest<KmlDriveTestParams>((Book().dir / "a.kml").string()), progress);
    done = true;
  });
  double last = 0;
  bool movedWhileReading = false;
  std::vector<Progress::Phase> phases;
  while (!done) {
    const double v = progress.value();
    EXPECT_GE(v, last);
    last = v;
    if (phases.empty() || phases.back() != progress.phase()) phases.push_back(progress.phase());
    if (progress.phase() == Progress::Phase::Reading && v > 0) movedWhileReading = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.join();
  EXPECT_TRUE(movedWhileReading);
  EXPECT_EQ(progress.maximum(), Progress::kScale);
  EXPECT_EQ(progress.value(), Progress::kScale);
  EXPECT_EQ(progress.phase(), Progress::Phase::Writing);
  for (std::size_t i = 1; i < phases.size(); ++i) EXPECT_LT(phases[i - 1], phases[i]);
}

// Stops each layer while it reads the sheet (the MIF layer also writes
// then), the engine while it loads the sheet and while it runs a query. A
// cancel that went unheard would let the layer finish (or the query run for
// hours), so the run must end cancelled.
TEST(LongRun, CancelWhenTheBarFirstMovesKeepsTheEarlierFile) {
  ASSERT_FALSE(Book().path.empty());
  const fs::path earlier = Book().dir / "earlier.kml";
  for (int road = 0; road < 4; ++road) {
    SCOPED_TRACE(road);
    source::ClearWorkbookCache();
    WriteFile(earlier, "earlier");
    WriteFile(Book().dir / "earlier.mif", "earlier");
    Progress progress;
    std::atomic<bool> cancelled{false}, finished{false};
    std::thread run([&] {
      try {
        if (road == 0) GenerateKmlDriveTest(DriveTest<KmlDriveTestParams>(earlier.string()), progress);
        if (road == 1) (void)GenerateMifDriveTest(DriveTest<MifDriveTestParams>((Book().dir / "earlier").string()), progress);
        if (road == 2) {
          LoadProgress scope(progress);
          Connection::open(ConnectionString(Book().path))->execute("select count(*) from [S$]");
        }
        if (road == 3) {  // a query that would run for hours
          LoadProgress scope(progress);
          Connection::open(ConnectionString(Book().path))
              ->execute("select count(*) from [S$] as a, [S$] as b where a.[RxLev] = b.[RxLev] + a.rowid");
        }
      } catch (const Cancelled&) {
        cancelled = true;
      }
      finished = true;
    });
    // The query road is stopped once the engine runs it, the others as soon
    // as the bar first moves.
    while (progress.value() <= 0 && !finished) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    while (road == 3 && progress.phase() != Progress::Phase::Query && !finished)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(finished) << "the run ended before it could be stopped";
    progress.cancel();
    run.join();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(test::ReadFile(earlier), "earlier");
    EXPECT_EQ(test::ReadFile(Book().dir / "earlier.mif"), "earlier");
    for (const auto& entry : fs::directory_iterator(Book().dir))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace tessaro
