// The MIF/MID pair writer: declarations, attribute lines, code page 936 and
// the pair that only appears when it is complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "common/Colour.h"
#include "common/Error.h"
#include "mif/MifWriter.h"

namespace fs = std::filesystem;
using namespace tessaro;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class MifWriterFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("mif_writer_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    base_ = (dir_ / "layer").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  fs::path dir_;
  std::string base_;
};

}  // namespace

TEST(MifColumnNames, SanitisedForMapInfoReaders) {
  EXPECT_EQ(MifColumnName("Cell Name"), "Cell_Name");
  EXPECT_EQ(MifColumnName("Height (m)"), "Height_m");
  EXPECT_EQ(MifColumnName("RX LevSub(dBm)"), "RX_LevSubdBm");
  EXPECT_EQ(MifColumnName("a,b\"c"), "a_b_c");
  // Chinese and the other punctuation a reader accepts stay.
  EXPECT_EQ(MifColumnName("小区/扇区-1 %.x"), "小区/扇区-1_%.x");
}

TEST(MifColumnNames, ClashesGetTheFirstFreeSuffix) {
  EXPECT_EQ(MifColumnNames({"A B", "A_B", "A(B)", "AB", "A_B_2", "a_b"}),
            (std::vector<std::string>{"A_B", "A_B_2", "AB", "AB_2", "A_B_2_2", "a_b"}));
  EXPECT_EQ(MifColumnNames({"X", "X", "X", "X_2"}), (std::vector<std::string>{"X", "X_2", "X_3", "X_2_2"}));
}

TEST(MidValues, QuotedOnlyWhenTheyWouldBreakTheLine) {
  std::string line;
  AppendMidValue(line, "plain 1.5 中文");
  EXPECT_EQ(line, "plain 1.5 中文");
  line.clear();
  AppendMidValue(line, "A,B");
  EXPECT_EQ(line, "\"A,B\"");
  line.clear();
  AppendMidValue(line, "12\"3");
  EXPECT_EQ(line, "\"12\"\"3\"");
  line.clear();
  AppendMidValue(line, "two\r\nlines\nhere");
  EXPECT_EQ(line, "two lines here");
}

TEST(MifColours, ButtonValuesBecomeRgbIntegers) {
  EXPECT_EQ(MifColor(0x0000FF), 16711680);  // pure red
  EXPECT_EQ(MifColor(0xFF0000), 255);       // pure blue
  EXPECT_EQ(MifColor(0xFFFFFF), 16777215);
  EXPECT_EQ(MifColor(0xC0E0FF), 16769216);
  EXPECT_EQ(MifColor(0xC0FFFF), 16777152);
}

TEST_F(MifWriterFiles, HeaderRowsAndCodePage936) {
  MifWriter w;
  w.open(base_);
  w.writeHeader({{"Cell Name", " Char(20)"}, {"经度", " Float"}, {"Cell_Name", " smallint"}});
  w.writeRow({"1", "", "x"}, {"Point 1 2"});
  w.writeRow({"基站", "113.5", ""}, {"Pline 2", "1 2", "3 4", "    Pen (1,2,0)"});
  // Nothing appears under the target names before close.
  EXPECT_FALSE(fs::exists(base_ + ".mif"));
  EXPECT_FALSE(fs::exists(base_ + ".mid"));
  w.close();
  EXPECT_EQ(ReadFile(base_ + ".mif"),
            "Version 300\r\nCharset \"WindowsSimpChinese\"\r\nDelimiter \",\"\r\nCoordSys Earth Projection 1, 0\r\n"
            "Columns 3\r\nCell_Name Char(20)\r\n\xBE\xAD\xB6\xC8 Float\r\nCell_Name_2 smallint\r\nData\r\n"
            "\r\nPoint 1 2\r\n"
            "\r\nPline 2\r\n1 2\r\n3 4\r\n    Pen (1,2,0)\r\n");
  EXPECT_EQ(ReadFile(base_ + ".mid"), "1,,x,\r\n\xBB\xF9\xD5\xBE,113.5,,\r\n");
  EXPECT_EQ(w.replacedCharacters(), 0);
  EXPECT_EQ(w.replacementNote(), "");
  EXPECT_EQ(Names(), (std::vector<std::string>{"layer.mid", "layer.mif"}));
}

TEST_F(MifWriterFiles, CharactersOutsideGbkBecomeQuestionMarks) {
  MifWriter w;
  w.open(base_);
  w.writeHeader({{"名\xF0\x9F\x98\x80", " Char(20)"}});
  w.writeRow({"ok"}, {});
  w.writeRow({"a\xF0\x9F\x93\xB6\xF0\x9F\x93\xB6"}, {});
  w.writeRow({"fine"}, {});
  w.writeRow({"\xF0\x9F\x93\xB6"}, {});
  w.close();
  EXPECT_EQ(w.replacedCharacters(), 4);
  EXPECT_EQ(w.rowsWithReplacements(), (std::vector<long long>{2, 4}));
  EXPECT_EQ(w.replacementNote(), "4 个字符无法用 GBK 编码，已写作“?”（列名，第 3、5 行）");
  EXPECT_EQ(ReadFile(base_ + ".mid"), "ok,\r\na??,\r\nfine,\r\n?,\r\n");
  EXPECT_NE(ReadFile(base_ + ".mif").find("\xC3\xFB? Char(20)\r\n"), std::string::npos);
}

TEST_F(MifWriterFiles, AbandonedPairLeavesEarlierFilesAndNoTemporaries) {
  { std::ofstream(base_ + ".mif") << "earlier"; }
  {
    MifWriter w;
    w.open(base_);
    w.writeHeader({{"A", " Char(20)"}});
    w.writeRow({"1"}, {"Point 1 2"});
    // destroyed without close: the command failed
  }
  EXPECT_EQ(ReadFile(base_ + ".mif"), "earlier");
  EXPECT_FALSE(fs::exists(base_ + ".mid"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"layer.mif"}));

  // A folder that does not exist fails at open, with a reason.
  MifWriter bad;
  EXPECT_THROW(bad.open((dir_ / "no" / "such" / "layer").string()), std::exception);
}

// The pair is replaced as a unit: when one file cannot be put in place, both
// earlier files stay as they were and nothing else is left in the folder.
TEST_F(MifWriterFiles, PairIsCommittedBothOrNeither) {
  auto write = [&](const std::string& value) {
    MifWriter w;
    w.open(base_);
    w.writeHeader({{"A", " Char(20)"}});
    w.writeRow({value}, {"Point 1 2"});
    w.close();
  };
  // The .mid target is a folder: refused before the .mif is touched.
  { std::ofstream(base_ + ".mif") << "earlier mif"; }
  fs::create_directories(base_ + ".mid");
  try {
    write("1");
    ADD_FAILURE() << "a folder was accepted as the .mid";
  } catch (const tessaro::Error& e) {
    EXPECT_NE(std::string(e.what()).find("layer.mid"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(base_ + ".mif"), "earlier mif");
  EXPECT_EQ(Names(), (std::vector<std::string>{"layer.mid", "layer.mif"}));
  fs::remove(base_ + ".mid");

  // The second rename fails (a full disk) after the first succeeded: the
  // earlier pair comes back, or with no earlier pair no half pair remains.
  { std::ofstream(base_ + ".mid") << "earlier mid"; }
  for (bool earlier : {true, false}) {
    tessaro::detail::FailNextCommitRename(1);
    EXPECT_THROW(write("2"), tessaro::Error);
    if (earlier) {
      EXPECT_EQ(ReadFile(base_ + ".mif"), "earlier mif");
      EXPECT_EQ(ReadFile(base_ + ".mid"), "earlier mid");
      EXPECT_EQ(Names(), (std::vector<std::string>{"layer.mid", "layer.mif"}));
      fs::remove(base_ + ".mif");
      fs::remove(base_ + ".mid");
    } else {
      EXPECT_TRUE(Names().empty());
    }
  }
  // Without a failure both are replaced and the backups are gone.
  { std::ofstream(base_ + ".mif") << "earlier mif"; }
  write("3");
  EXPECT_EQ(ReadFile(base_ + ".mid"), "3,\r\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"layer.mid", "layer.mif"}));
}
