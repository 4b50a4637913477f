// The five-band legend and the drive-test template files.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/Encoding.h"
#include "common/Error.h"
#include "templates/DriveTestTemplate.h"
#include "templates/SaveFolder.h"
#include "templates/ThresholdLegend.h"

using namespace tessaro;

TEST(ThresholdLegend, BandEdgesOfTheInitialLegend) {
  ThresholdLegend l = ThresholdLegend::Initial();
  EXPECT_EQ(l.match(-120), 0);
  EXPECT_EQ(l.match(-95), 1);   // lower bound included, upper excluded
  EXPECT_EQ(l.match(-90), 2);
  EXPECT_EQ(l.match(-80), 3);
  EXPECT_EQ(l.match(-70), 4);
  EXPECT_EQ(l.match(-20), 4);   // row 5 includes its upper bound
  EXPECT_EQ(l.match(-95.0001), 0);
  EXPECT_EQ(l.match(-19), -1);
  EXPECT_EQ(l.match(-121), -1);
  EXPECT_EQ(l.colourFor(-85), std::optional<ColourValue>(16711680));
  EXPECT_FALSE(l.colourFor(-19).has_value());
}

TEST(ThresholdLegend, OverlapTakesTheFirstRowAndBoundsAreLeadingNumbers) {
  ThresholdLegend l = ThresholdLegend::FromBounds({"-120", "-80", "-90", "-80", "-70", "-20"},
                                                  {1, 2, 3, 4, 5});
  EXPECT_EQ(l.match(-85), 0);  // rows 1 and 2 both hold -85
  ThresholdLegend t = ThresholdLegend::FromBounds({" -120dBm", "-95x", "abc", "-80", "-70", "-20"}, {1, 2, 3, 4, 5});
  EXPECT_EQ(t.match(-100), 0);
  // "abc" reads 0, so row 2 is -95..0 and row 3 is 0..-80 (empty).
  EXPECT_EQ(t.match(-85), 1);
  // Editing the rows after matching is seen once compile() runs again.
  t.rows[0].upper = "-50";
  t.compile();
  EXPECT_EQ(t.match(-60), 0);
}

namespace {

DriveTestTemplate Sample() {
  DriveTestTemplate t;
  t.scale = "0.4";
  t.bounds = {"-120", "-95", "-90", "-80", "-70", "-25"};
  t.colours = {255, 65535, 16711680, 16776960, 65280};
  return t;
}

class DriveTestTemplateFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dt::TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    SetSaveFolder(folder_.string());
  }
  dt::fs::path folder_;
};

}  // namespace

TEST(DriveTestTemplateFile, TwelveCrLfLinesWithBlankedColours) {
  EXPECT_EQ(DriveTestTemplateText(Sample()),
            "0.4\r\n-120\r\n-95\r\n-90\r\n-80\r\n-70\r\n-25\r\n 255 \r\n 65535 \r\n 16711680 \r\n 16776960 \r\n"
            " 65280 \r\n");
  DriveTestTemplate c = Sample();
  c.scale = "比例";
  EXPECT_EQ(DriveTestTemplateText(c).substr(0, 4), ToCp936("比例"));
}

TEST(DriveTestTemplateFile, ParsesWhatItWritesAndToleratesBlanksAndLf) {
  DriveTestTemplate t = ParseDriveTestTemplate(DriveTestTemplateText(Sample()), "a.txt");
  EXPECT_EQ(t.scale, "0.4");
  EXPECT_EQ(t.bounds[5], "-25");
  EXPECT_EQ(t.colours[4], 65280u);
  DriveTestTemplate lf = ParseDriveTestTemplate("8\n-1\n-2\n-3\n-4\n-5\n-6\n1\n  2\n3  \n4\n 65280 \n", "b.txt");
  EXPECT_EQ(lf.scale, "8");
  EXPECT_EQ(lf.colours[1], 2u);
  EXPECT_EQ(lf.colours[4], 65280u);
}

TEST(DriveTestTemplateFile, DamagedFilesNameTheFile) {
  try {
    ParseDriveTestTemplate("0.4\r\n-120\r\n", "坏.txt");
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("坏.txt"), std::string::npos);
  }
  std::string bad = DriveTestTemplateText(Sample());
  bad.replace(bad.find(" 65535 "), 7, "yellow");
  EXPECT_THROW(ParseDriveTestTemplate(bad, "x.txt"), Error);
  std::string big = DriveTestTemplateText(Sample());
  big.replace(big.find(" 255 "), 5, "16777216");
  EXPECT_THROW(ParseDriveTestTemplate(big, "x.txt"), Error);
}

TEST_F(DriveTestTemplateFolder, SaveListLoadDeleteInTheDtSubfolder) {
  DriveTestTemplate t = Sample();
  std::string path = SaveDriveTestTemplate("Default", t);
  EXPECT_EQ(path, folder_.string() + "/dt/Default.txt");
  t.scale = "8";
  SaveDriveTestTemplate("Default", t);  // replaced without asking
  SaveDriveTestTemplate("", t);         // the empty name writes ".txt"
  auto names = ListDriveTestTemplates();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".txt", "Default.txt"}));
  EXPECT_EQ(LoadDriveTestTemplate("Default.txt").scale, "8");
  DeleteDriveTestTemplate("Default.txt");
  EXPECT_THROW(LoadDriveTestTemplate("Default.txt"), Error);
  EXPECT_THROW(DeleteDriveTestTemplate("Default.txt"), Error);
  EXPECT_EQ(ListDriveTestTemplates(), (std::vector<std::string>{".txt"}));
}

TEST_F(DriveTestTemplateFolder, NamesThatLeaveTheFolderAreRefused) {
  for (const char* bad : {"../x", "a/b", "a\\b", ".", ".."}) {
    EXPECT_THROW(SaveDriveTestTemplate(bad, Sample()), Error) << bad;
  }
  EXPECT_FALSE(dt::fs::exists(folder_ / "x.txt"));
  EXPECT_TRUE(ListDriveTestTemplates().empty());
  try {
    CheckDriveTestTemplateName("..");
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("不能"), std::string::npos);
  }
}
