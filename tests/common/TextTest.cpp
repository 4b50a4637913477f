#include "common/Colour.h"
#include "common/Error.h"
#include "common/OutputFile.h"
#include "common/ReadFile.h"
#include "common/Text.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tessaro;

TEST(LeadingNumber, ReadsTheLeadingNumberOfABox) {
  EXPECT_EQ(LeadingNumber("70%"), 70);
  EXPECT_EQ(LeadingNumber("-85abc"), -85);
  EXPECT_EQ(LeadingNumber("  0.8"), 0.8);
  EXPECT_EQ(LeadingNumber("+5"), 5);
  EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
  EXPECT_EQ(LeadingNumber(".5x"), 0.5);
  EXPECT_EQ(LeadingNumber("1e3"), 1);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("abc"), 0);
  EXPECT_EQ(LeadingNumber("-"), 0);
  EXPECT_EQ(LeadingNumber("."), 0);
}

TEST(NumberText, OrdinaryTextForm) {
  EXPECT_EQ(NumberText(113.26451000000001), "113.26451");
  EXPECT_EQ(NumberText(8.300000000000001), "8.3");
  EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumberText(-0.0), "0");
  EXPECT_EQ(NumberText(0), "0");
  EXPECT_EQ(NumberText(-85), "-85");
  EXPECT_EQ(NumberText(22.5), "22.5");
  EXPECT_EQ(NumberText(1234567890123.0), "1234567890123");
  EXPECT_EQ(NumberText(0.00001), "0.00001");
  EXPECT_EQ(NumberText(-0.000123), "-0.000123");
  EXPECT_EQ(NumberText(1e15), "1E+15");
  EXPECT_EQ(NumberText(1.5e-7), "1.5E-07");
  EXPECT_EQ(NumberText(999999999999999.0), "999999999999999");
  EXPECT_EQ(NumberText(0.99999999999999999), "1");
}

// A number's text as its significant digits and the power of ten of the
// last one: "-0.00120" and "-1.2e-03" are both "-12e-4".
static std::string Decimal(const std::string& text) {
  std::string digits;
  int exponent = 0;
  std::size_t i = text[0] == '-' ? 1 : 0;
  for (bool point = false; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
    if (text[i] == '.') point = true;
    else if ((digits += text[i], point)) --exponent;
  }
  if (i < text.size()) exponent += std::atoi(text.c_str() + i + 1);
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  while (!digits.empty() && digits.back() == '0') digits.pop_back(), ++exponent;
  return (text[0] == '-' ? "-" : "") + digits + "e" + std::to_string(exponent);
}

// The text stands for the number rounded to 15 significant digits as the C
// library rounds it, over numbers of every size and digit count: sheet
// coordinates, whole bit patterns, the smallest (subnormal) numbers.
TEST(NumberText, FifteenDigitsAsTheCLibraryRounds) {
  std::mt19937_64 random(13);
  auto agrees = [](double v) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.14e", v);
    return Decimal(NumberText(v)) == Decimal(expected);
  };
  int failures = 0;
  for (int k = 0; k < 300000 && failures < 5; ++k) {
    double bits;
    const std::uint64_t pattern = random();
    std::memcpy(&bits, &pattern, sizeof bits);
    const int digits = 1 + static_cast<int>(random() % 17);
    const double decimal = std::round(std::ldexp(static_cast<double>(random() >> 11), -53) * std::pow(10.0, digits)) *
                           std::pow(10.0, static_cast<int>(random() % 40) - 25);
    const double coordinate = 113 + static_cast<double>(random() % 100000000) / 1e6;
    for (double v : {bits, decimal, -decimal, coordinate, std::ldexp(bits, -1000)}) {
      if (std::isfinite(v) && v != 0 && !agrees(v) && ++failures) ADD_FAILURE() << std::hexfloat << v;
    }
  }
}

TEST(ParseNumber, WholeTextOnly) {
  EXPECT_EQ(ParseNumber("-85"), -85);
  EXPECT_EQ(ParseNumber("113.26451"), 113.26451);
  EXPECT_FALSE(ParseNumber("12abc"));
  EXPECT_FALSE(ParseNumber(" 12"));
  EXPECT_FALSE(ParseNumber(""));
  EXPECT_FALSE(ParseNumber("nan"));
  EXPECT_FALSE(ParseNumber("inf"));
}

TEST(FixedText, RoundsWithoutNegativeZero) {
  EXPECT_EQ(FixedText(1.5, 2), "1.50");
  EXPECT_EQ(FixedText(-0.000000001, 8), "0.00000000");
  EXPECT_EQ(FixedText(-0.00000001, 8), "-0.00000001");
}

TEST(Colour, KmlAndMifForms) {
  EXPECT_EQ(zeRo("FF"), "0000FF");
  EXPECT_EQ(zeRo("1234567"), "1234567");
  EXPECT_EQ(KmlColor(0x0000FF), "FF0000FF");
  EXPECT_EQ(KmlColor(0), "FF000000");
  EXPECT_EQ(KmlColor(0xFFFFFF), "FFFFFFFF");
  EXPECT_EQ(KmlTranslucentColor("70%", 0x80C0FF), "B280C0FF");
  const char* alphas[] = {"00", "1A", "33", "4C", "66", "80", "99", "B2", "CC", "E6", "FF"};
  for (int p = 0; p <= 100; p += 10) EXPECT_EQ(KmlAlpha(std::to_string(p) + "%"), alphas[p / 10]) << p;
  EXPECT_EQ(KmlAlpha("300"), "FD");
  EXPECT_EQ(KmlAlpha("30%"), "4C");  // 76.5 rounds to the even 76
  EXPECT_EQ(KmlAlpha("abc"), "00");
  EXPECT_EQ(MifColor(0x0000FF), 16711680);
  EXPECT_EQ(MifColor(0xFF0000), 255);
  EXPECT_EQ(MifColor(0xFFFFFF), 16777215);
  EXPECT_EQ(MifColor(0xC0E0FF), 16769216);
  EXPECT_EQ(ParseColourOption("255"), 255u);
  EXPECT_EQ(ParseColourOption("#FFC080"), 8438015u);
  EXPECT_FALSE(ParseColourOption("#FFC0"));
  EXPECT_FALSE(ParseColourOption("red"));
  EXPECT_FALSE(ParseColourOption("16777216"));
}

namespace fs = std::filesystem;

static std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OutputFile, AppearsOnlyWhenCommitted) {
  fs::path dir = fs::temp_directory_path() / ("tessaro-out-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path target = dir / "layer.kml";
  { std::ofstream(target) << "old"; }
  {
    OutputFile f(target.string());
    f.writeLine("<kml>");
    // Failure before commit: the old file stays, no temporary remains.
  }
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  {
    OutputFile f(target.string());
    f.writeLine("a");
    f.write("b");
    f.commit();
  }
  EXPECT_EQ(ReadAll(target), "a\r\nb");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  EXPECT_THROW({ OutputFile f((dir / "missing" / "x.kml").string()); }, tessaro::Error);
  fs::remove_all(dir);
}

TEST(OutputFile, KeepsTheEarlierFilesPermissionsNewFilesFollowTheUmask) {
  fs::path dir = fs::temp_directory_path() / ("tessaro-mode-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto mode = [](const fs::path& p) { return static_cast<unsigned>(fs::status(p).permissions() & fs::perms::all); };
  auto write = [](const fs::path& p) {
    OutputFile f(p.string());
    f.writeLine("x");
    f.commit();
  };
  const mode_t saved = ::umask(002);
  write(dir / "new.kml");
  EXPECT_EQ(mode(dir / "new.kml"), 0664u);
  { std::ofstream(dir / "shared.kml") << "old"; }
  fs::permissions(dir / "shared.kml", static_cast<fs::perms>(0640));
  write(dir / "shared.kml");
  EXPECT_EQ(mode(dir / "shared.kml"), 0640u);
  EXPECT_EQ(ReadAll(dir / "shared.kml"), "x\r\n");
  ::umask(saved);
  fs::remove_all(dir);
}

TEST(OutputFile, TemporaryFilesCanBeRemovedAtOnce) {
  fs::path dir = fs::temp_directory_path() / ("tessaro-live-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    OutputFile a((dir / "a.kml").string()), b((dir / "b.mif").string());
    a.writeLine("x");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    RemoveTemporaryFiles();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);
    EXPECT_THROW(a.commit(), tessaro::Error);
  }
  fs::remove_all(dir);
}

// A file that cannot be written or read is reported with its path and the
// cause in Chinese, whatever the process locale.
TEST(OutputFile, FailuresNameThePathAndTheCauseInChinese) {
  fs::path dir = fs::temp_directory_path() / ("tessaro-why-" + std::to_string(::getpid()));
  fs::create_directories(dir / "folder.kml");
  { std::ofstream(dir / "file") << "x"; }
  auto reason = [](const std::function<void()>& act) {
    try {
      act();
    } catch (const tessaro::Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  auto commit = [](const fs::path& p) {
    OutputFile f(p.string());
    f.writeLine("x");
    f.commit();
  };
  const std::pair<std::string, std::function<void()>> cases[] = {
      {"没有那个文件或目录", [&] { commit(dir / "missing" / "a.kml"); }},
      {"路径中有一段不是目录", [&] { commit(dir / "file" / "a.kml"); }},
      {"已有同名的文件夹", [&] { commit(dir / "folder.kml"); }},
      {"磁盘空间不足", [&] {
         detail::FailNextCommitRename(0);
         commit(dir / "full.kml");
       }},
  };
  for (const auto& [cause, act] : cases) {
    const std::string why = reason(act);
    EXPECT_NE(why.find(cause), std::string::npos) << why;
    EXPECT_NE(why.find(dir.string()), std::string::npos) << why;  // with the path
  }
  EXPECT_EQ(reason([&] { ReadSmallFile((dir / "missing.txt").string(), 100); }), "没有那个文件或目录");
  fs::remove_all(dir);
}
