// A real MapInfo reader (GDAL's ogrinfo) opens the written pair: one feature
// per attribute line, the attribute values equal to the cells, Chinese and
// awkward header names included.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>

#include <unistd.h>

#include "mif/MifSector.h"

namespace fs = std::filesystem;
using namespace tessaro;

namespace {

std::string Capture(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

bool HaveOgrinfo() { return std::system("command -v ogrinfo >/dev/null 2>&1") == 0; }

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace

TEST(MifSectorGdal, ReaderSeesEveryRowAndCell) {
  if (!HaveOgrinfo()) GTEST_SKIP() << "ogrinfo (gdal-bin) not installed";
  fs::path dir = fs::temp_directory_path() / ("mif_gdal_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);

  const std::vector<std::string> names = {"jzm", "jd", "wd", "fwj", "小区名", "Lon", "Lat", "Az", "Height (m)", "备注"};
  struct R {
    const char* name;
    double az;
    const char* note;
  };
  const R rows[] = {{"广州天河-1", 120, "主覆盖"}, {"广州天河-4", 0, "A,B"}, {"室分站", -1, "say \"hi\""},
                    {"室内站", -2, "x"},          {"无方向", -7, ""},      {"北向", 350, "末行"}};
  std::vector<Value> cells;
  for (const R& r : rows) {
    Value az = Value::Real(r.az);
    Value four[] = {Value::Text(r.name), Value::Real(113.25), Value::Real(23.125), az};
    for (int k = 0; k < 2; ++k)
      for (const Value& v : four) cells.push_back(v);
    cells.push_back(Value::Integer(30));
    cells.push_back(*r.note ? Value::Text(r.note) : Value());
  }
  RecordSet rs(names, cells);
  MifSectorParams p;
  p.nameColumn = "小区名";
  p.lonColumn = "Lon";
  p.latColumn = "Lat";
  p.azimuthColumn = "Az";
  p.outputBase = (dir / "层").string();
  Progress progress;
  auto result = GenerateMifSector(p, rs, progress);

  const std::string out = Capture("ogrinfo -ro -al '" + result.mifPath + "' 2>&1");
  EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
  EXPECT_NE(out.find("Feature Count: 6"), std::string::npos) << out;
  EXPECT_NE(out.find("Height_m: String"), std::string::npos) << out;
  EXPECT_NE(out.find("Lon: Real"), std::string::npos) << out;
  for (const R& r : rows) EXPECT_NE(out.find(std::string("小区名 (String) = ") + r.name + "\n"), std::string::npos) << r.name;
  EXPECT_NE(out.find("备注 (String) = 主覆盖\n"), std::string::npos);
  EXPECT_NE(out.find("备注 (String) = A,B\n"), std::string::npos);
  EXPECT_NE(out.find("备注 (String) = say \"hi\"\n"), std::string::npos);
  EXPECT_NE(out.find("备注 (String) = 末行\n"), std::string::npos);
  EXPECT_EQ(Count(out, "Lon (Real) = 113.25\n"), 6u);
  EXPECT_EQ(Count(out, "Height_m (String) = 30\n"), 6u);
  EXPECT_EQ(Count(out, "POLYGON (("), 6u) << out;
  // The wedge closes on the site: 38 vertices from the site back to it.
  EXPECT_NE(out.find("POLYGON ((113.25 23.125,"), std::string::npos);
  fs::remove_all(dir);
}
