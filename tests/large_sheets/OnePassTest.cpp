// The drive-test queries and the fly-line join answered in one pass over the
// sheets give exactly what the SQL engine gives for the same text: the same fields, values of the
// same kind and text, in the same order, and the same rows without a
// position. Checked on random workbooks written by xlsxwriter.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kml/KmlDriveTest.h"
#include "query/FlyLine.h"
#include "mif/MifDriveTest.h"
#include "query/PositionScan.h"
#include "source/Workbook.h"
#include "support/CliRun.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

struct Books {
  fs::path dir = fs::temp_directory_path() / ("tessaro-onepass-" + std::to_string(::getpid()));
  std::vector<std::string> paths;
  Books() {
    fs::create_directories(dir);
    const std::string cmd = "/usr/bin/python3 " TESSARO_SOURCE_DIR "/tests/large_sheets/make_books.py random '" +
                            dir.string() + "' 24 11";
    if (std::system(cmd.c_str()) != 0) return;
    for (int k = 0; k < 24; ++k) paths.push_back((dir / ("book" + std::string(k < 10 ? "0" : "") + std::to_string(k) + ".xlsx")).string());
  }
  ~Books() { fs::remove_all(dir); }
};

const Books& TheBooks() {
  static Books books;
  return books;
}

// A cell as kind and text, so a difference shows in the failure message.
std::string Shown(const Value& v) {
  static const char* kinds[] = {"null", "int", "real", "text"};
  return std::string(kinds[static_cast<int>(v.kind())]) + ":" + v.text();
}

std::vector<std::string> Shown(const RecordSet& rs) {
  std::vector<std::string> out;
  for (std::size_t r = 0; r < rs.rowCount(); ++r) {
    std::string line;
    for (int f = 0; f < rs.fieldCount(); ++f) line += Shown(rs.at(r, f)) + "|";
    out.push_back(line);
  }
  return out;
}

KmlDriveTestParams Params(const std::string& book, int shape, bool binning, const std::string& lonChars) {
  KmlDriveTestParams p;
  p.workbook = book;
  p.sheet = "DT";
  p.lon = shape == 5 ? "LON" : "lon";  // the engine resolves names whatever their case
  p.lat = "lat";
  p.data = "data";
  p.description = shape == 1 || shape == 3;
  p.descriptionColumn = "desc";
  p.name = shape == 1 || shape == 2;
  p.nameColumn = "name";
  p.binning = binning;
  p.lonChars = lonChars;
  p.latChars = "6";
  return p;
}

TEST(OnePass, GroupedQueryGivesTheEnginesRowsInItsOrder) {
  ASSERT_FALSE(TheBooks().paths.empty()) << "python3-xlsxwriter missing";
  int answered = 0, cases = 0;
  for (const std::string& book : TheBooks().paths) {
    for (int shape : {1, 2, 3, 4, 5}) {
      for (const char* chars : {"", "5", "8", "x"}) {
        const bool binning = chars[0] != '\0';
        SCOPED_TRACE(book + " shape " + std::to_string(shape) + " chars " + chars);
        const KmlDriveTestParams p = Params(book, shape, binning, chars);
        source::ClearWorkbookCache();
        std::optional<PositionGroups> scanned = ScanPositionGroups(KmlDriveTestGroupsQuery(p));
        ++cases;
        auto connection = Connection::open(ConnectionString(book));
        std::optional<RecordSet> engine;
        std::string engineError;
        try {
          engine = connection->execute(KmlDriveTestOrderedQuery(p));
        } catch (const Error& e) {
          engineError = e.what();
        }
        if (!scanned) {
          // Left to the engine: a prefix length that is not a number, a
          // value avg() refuses.
          EXPECT_TRUE(std::string(chars) == "x" || !engineError.empty());
          continue;
        }
        ++answered;
        ASSERT_TRUE(engine) << "the engine failed where the pass answered: " << engineError;
        EXPECT_EQ(scanned->rows.fieldCount(), engine->fieldCount());
        EXPECT_EQ(Shown(scanned->rows), Shown(*engine));
        const SkippedRows skipped = RowsWithoutPosition(*connection, "DT", p.lon, p.lat);
        EXPECT_EQ(scanned->skipped.count, skipped.count);
        EXPECT_EQ(scanned->skipped.first, skipped.first);
      }
    }
  }
  // The pass must answer most cases, or it proves nothing.
  EXPECT_GT(answered, cases / 2);
}

TEST(OnePass, RowQueryGivesTheEnginesRowsAndFields) {
  ASSERT_FALSE(TheBooks().paths.empty()) << "python3-xlsxwriter missing";
  int answered = 0;
  for (const std::string& book : TheBooks().paths) {
    SCOPED_TRACE(book);
    MifDriveTestParams p;
    p.workbook = book;
    p.sheet = "dt";
    p.lon = "lon";
    p.lat = "Lat";
    p.data = "data";
    source::ClearWorkbookCache();
    std::vector<std::string> fields;
    std::vector<std::string> rows;
    PositionRowsSink sink;
    sink.fields = [&](const std::vector<std::string>& names) { fields = names; };
    sink.row = [&](const std::vector<Value>& row) {
      std::string line;
      for (const Value& v : row) line += Shown(v) + "|";
      rows.push_back(line);
    };
    std::optional<SkippedRows> skipped = ScanPositionRows({p.workbook, p.sheet, p.lon, p.lat, p.data}, sink);
    ASSERT_TRUE(skipped);
    ++answered;
    auto connection = Connection::open(ConnectionString(book));
    RecordSet engine = connection->execute(MifDriveTestRunQuery(p));
    EXPECT_EQ(fields, engine.fieldNames());
    EXPECT_EQ(rows, Shown(engine));
    const SkippedRows expected = RowsWithoutPosition(*connection, p.sheet, p.lon, p.lat);
    EXPECT_EQ(skipped->count, expected.count);
    EXPECT_EQ(skipped->first, expected.first);
  }
  EXPECT_EQ(answered, static_cast<int>(TheBooks().paths.size()));
}

// The rows a fly-line layer draws, in its order: the six columns it reads
// (the engine's result carries its sheet-row numbers after them).
std::vector<std::string> Drawn(const FlyLineResult& r) {
  std::vector<std::string> out;
  for (std::size_t i : r.order) {
    std::string line;
    for (int f = 0; f < ResultColumnCount(FlyLineForm::Plain); ++f) line += Shown(r.rows.at(i, f)) + "|";
    out.push_back(line);
  }
  return out;
}

TEST(OnePass, FlyLineJoinGivesTheEnginesLinesInDriveOrder) {
  ASSERT_FALSE(TheBooks().paths.empty()) << "python3-xlsxwriter missing";
  struct Case {
    const char* points;
    const char* pointCi;
    bool filter;
    bool answered;
  };
  // Identifiers of every kind against the cells' (texts, numbers, numbers
  // as text, blanks, booleans), names in another case than the header's,
  // many equal rows (Pts), a typed condition and a missing column.
  const Case cases[] = {{"DT", "name", false, true}, {"DT", "Desc", false, true}, {"Pts", "CI", false, true},
                        {"pts", "ci", true, false},  {"DT", "nosuch", false, false}};
  for (const std::string& book : TheBooks().paths) {
    for (const Case& c : cases) {
      SCOPED_TRACE(book + " " + c.points + "." + c.pointCi);
      FlyLineInputs in{"Cells", c.points, "lon", "LAT", "az", "ci", "lon", "lat", c.pointCi, c.pointCi, c.filter, "b.[lat]>0"};
      source::ClearWorkbookCache();
      EXPECT_EQ(ScanFlyLineJoin(book, in).has_value(), c.answered);
      source::ClearWorkbookCache();
      std::optional<FlyLineResult> scanned, engine;
      std::string scanError, engineError;
      try {
        scanned = LoadFlyLine(book, in);
      } catch (const Error& e) {
        scanError = e.what();
      }
      try {
        engine = RunFlyLineQuery(*Connection::open(ConnectionString(book)), in);
      } catch (const Error& e) {
        engineError = e.what();
      }
      EXPECT_EQ(scanError, engineError);
      if (!scanned || !engine) continue;
      auto drawnNames = [](const FlyLineResult& r) {
        const auto& names = r.rows.fieldNames();
        return std::vector<std::string>(names.begin(), names.begin() + std::min<std::size_t>(names.size(), 6));
      };
      EXPECT_EQ(drawnNames(*scanned), drawnNames(*engine));
      EXPECT_EQ(Drawn(*scanned), Drawn(*engine));
      EXPECT_EQ(scanned->skipped.count, engine->skipped.count);
      EXPECT_EQ(scanned->skipped.first, engine->skipped.first);
    }
  }
}

// The report's join (the value and both sheet rows carried, the points no
// cell serves counted) is the same through both roads too, with the drawn
// lines' own columns unchanged.
TEST(OnePass, ReportJoinCarriesTheEnginesValuesAndRows) {
  ASSERT_FALSE(TheBooks().paths.empty()) << "python3-xlsxwriter missing";
  const std::pair<const char*, const char*> cases[] = {{"DT", "name"}, {"DT", "Desc"}, {"Pts", "CI"}};
  int unserved = 0;  // cases with points no cell serves
  for (const std::string& book : TheBooks().paths) {
    for (const auto& [points, pointCi] : cases) {
      SCOPED_TRACE(book + " " + points + "." + pointCi);
      FlyLineInputs in{"Cells", points, "lon", "LAT", "az", "ci", "lon", "lat", pointCi, pointCi, false, ""};
      source::ClearWorkbookCache();
      const std::optional<FlyLineResult> plain = ScanFlyLineJoin(book, in);
      in.reportValue = std::string(points) == "DT" ? "data" : "lat";
      source::ClearWorkbookCache();
      const std::optional<FlyLineResult> scanned = ScanFlyLineJoin(book, in);
      ASSERT_TRUE(plain && scanned);
      const FlyLineResult engine = RunFlyLineQuery(*Connection::open(ConnectionString(book)), in);
      EXPECT_EQ(Drawn(*scanned), Drawn(*plain));
      auto carried = [&](const FlyLineResult& r) {
        std::vector<std::string> out;
        for (std::size_t i : r.order) {
          std::string line;
          for (int f = 6; f < 9; ++f) line += Shown(r.rows.at(i, f)) + "|";
          out.push_back(line);
        }
        return out;
      };
      EXPECT_EQ(carried(*scanned), carried(engine));
      EXPECT_EQ(Drawn(*scanned), Drawn(engine));
      EXPECT_EQ(scanned->unmatched, engine.unmatched);
      EXPECT_EQ(scanned->skipped.first, engine.skipped.first);
      unserved += scanned->unmatched.empty() ? 0 : 1;
    }
  }
  EXPECT_GT(unserved, 0);
}

// The layers through both roads: the bytes written are the same whether the
// pass or the engine answered (the engine answers once the sheet is loaded).
TEST(OnePass, LayerFilesAreTheSameEitherWay) {
  ASSERT_FALSE(TheBooks().paths.empty()) << "python3-xlsxwriter missing";
  const fs::path dir = TheBooks().dir;
  for (std::size_t k = 0; k < TheBooks().paths.size(); k += 5) {
    const std::string& book = TheBooks().paths[k];
    SCOPED_TRACE(book);
    std::vector<std::string> first;  // errors and notes of the pass's road
    for (int road = 0; road < 2; ++road) {
      source::ClearWorkbookCache();
      if (road == 1) Connection::open(ConnectionString(book))->execute("select count(*) from [DT$]");
      KmlDriveTestParams kml = Params(book, 1, k % 2 == 0, "7");
      kml.output = (dir / ("road" + std::to_string(road) + ".kml")).string();
      MifDriveTestParams mif;
      mif.workbook = book;
      mif.sheet = "DT";
      mif.lon = "lon";
      mif.lat = "lat";
      mif.data = "data";
      mif.output = (dir / ("road" + std::to_string(road))).string();
      Progress pk, pm;
      std::string kmlError, mifError;
      try {
        GenerateKmlDriveTest(kml, pk);
      } catch (const Error& e) {
        kmlError = e.what();
      }
      try {
        (void)GenerateMifDriveTest(mif, pm);
      } catch (const Error& e) {
        mifError = e.what();
      }
      std::vector<std::string> said = {kmlError, mifError};
      for (const auto& n : pk.notes()) said.push_back("kml " + n);
      for (const auto& n : pm.notes()) said.push_back("mif " + n);
      if (road == 0) {
        first = said;
        continue;
      }
      EXPECT_EQ(said, first);
      for (const char* ext : {".kml", ".mif", ".mid"})
        EXPECT_EQ(test::ReadFile(dir / (std::string("road0") + ext)), test::ReadFile(dir / (std::string("road1") + ext)))
            << ext;
    }
  }
}

}  // namespace
}  // namespace tessaro
