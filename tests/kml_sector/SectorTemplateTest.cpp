// Sector settings templates: file bytes, round trips, damaged files, names.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Encoding.h"
#include "common/Error.h"
#include "common/Text.h"
#include "templates/DriveTestTemplate.h"
#include "templates/SaveFolder.h"
#include "templates/SectorTemplate.h"

using namespace tessaro;
namespace fs = std::filesystem;

namespace {

struct Folder {
  fs::path path = fs::temp_directory_path() / ("tessaro-templates-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  Folder() { fs::remove_all(path); }
  ~Folder() { fs::remove_all(path); }
  std::string str() const { return path.string() + "/"; }
  void write(const std::string& name, const std::string& bytes) const {
    fs::create_directories(path);
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

}  // namespace

TEST(SectorTemplate, DefaultFileBytes) {
  EXPECT_EQ(SectorTemplateBytes(SectorSettings{}),
            "70%\r\n2\r\n0.8\r\n80\r\n5\r\n35\r\n 12648447 \r\n 8438015 \r\n 12648447 \r\n");
}

TEST(SectorTemplate, SaveListLoadDeleteRoundTrip) {
  Folder f;  // missing: created by the first save
  SectorSettings s;
  s.opacity = "50%";
  s.radius = "半径120";
  s.outlineColour = 0;
  s.fillColour = 0xFFFFFF;
  s.labelColour = 255;
  const std::string path = SaveSectorTemplate(f.str(), "Default", s);
  EXPECT_EQ(path, f.str() + "Default.txt");
  // Chinese text is stored in code page 936.
  EXPECT_NE(f.read("Default.txt").find(ToCp936("半径120") + "\r\n"), std::string::npos);
  EXPECT_NE(f.read("Default.txt").find("\r\n 0 \r\n 16777215 \r\n 255 \r\n"), std::string::npos);
  SectorSettings back = LoadSectorTemplate(f.str(), "Default.txt");
  EXPECT_EQ(back.opacity, "50%");
  EXPECT_EQ(back.radius, "半径120");
  EXPECT_EQ(back.outlineColour, 0u);
  EXPECT_EQ(back.fillColour, 0xFFFFFFu);
  EXPECT_EQ(back.labelColour, 255u);

  // The same name again replaces the template; an empty name is ".txt".
  s.opacity = "30%";
  SaveSectorTemplate(f.str(), "Default", s);
  SaveSectorTemplate(f.str(), "", s);
  EXPECT_EQ(LoadSectorTemplate(f.str(), "Default.txt").opacity, "30%");
  auto names = ListSectorTemplates(f.str());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".txt", "Default.txt"}));
  fs::create_directories(f.path / "dt");  // subfolders are not templates
  f.write("note.gif", "x");
  EXPECT_EQ(ListSectorTemplates(f.str()).size(), 2u);

  DeleteSectorTemplate(f.str(), ".txt");
  DeleteSectorTemplate(f.str(), "Default.txt");
  EXPECT_TRUE(ListSectorTemplates(f.str()).empty());
  EXPECT_THROW(DeleteSectorTemplate(f.str(), "Default.txt"), Error);
  EXPECT_TRUE(ListSectorTemplates((f.path / "missing").string()).empty());
}

TEST(SectorTemplate, ReadsWindowsAndUtf8FilesLeniently) {
  // CP936 as Windows writes it, colour lines with their blanks.
  SectorSettings gbk = ParseSectorTemplate(ToCp936("七成%\r\n2\r\n0.8\r\n80\r\n5\r\n35\r\n 1 \r\n 2 \r\n 3 \r\n"), "a.txt");
  EXPECT_EQ(gbk.opacity, "七成%");
  EXPECT_EQ(gbk.labelColour, 3u);
  // UTF-8 that is not valid CP936 (nine bytes of Han text), LF line ends,
  // extra lines ignored.
  SectorSettings utf8 = ParseSectorTemplate("透明度70%\n2\n0.8\n80\n5\n35\n1\n2\n3\nextra\n", "b.txt");
  EXPECT_EQ(utf8.opacity, "透明度70%");
  EXPECT_EQ(utf8.outlineColour, 1u);
}

TEST(SectorTemplate, DamagedFilesAreRefusedNamingTheFile) {
  Folder f;
  f.write("short.txt", "70%\r\n2\r\n0.8\r\n");
  f.write("colour.txt", "70%\r\n2\r\n0.8\r\n80\r\n5\r\n35\r\n red \r\n 1 \r\n 2 \r\n");
  f.write("big.txt", "70%\r\n2\r\n0.8\r\n80\r\n5\r\n35\r\n 16777216 \r\n 1 \r\n 2 \r\n");
  f.write("empty.txt", "");
  for (const char* name : {"short.txt", "colour.txt", "big.txt", "empty.txt", "absent.txt"}) {
    try {
      LoadSectorTemplate(f.str(), name);
      ADD_FAILURE() << name;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
}

TEST(SectorTemplate, NamesThatLeaveTheFolderAreRefused) {
  Folder f;
  for (const char* bad : {"../x", "a/b", "a\\b", ".", ".."}) {
    EXPECT_FALSE(TemplateNameProblem(bad).empty()) << bad;
    EXPECT_THROW(SaveSectorTemplate(f.str(), bad, SectorSettings{}), Error) << bad;
  }
  EXPECT_FALSE(fs::exists(f.path.parent_path() / "x.txt"));
  for (const char* good : {"", "TD", "GSM 900", "...", "默认"}) EXPECT_TRUE(TemplateNameProblem(good).empty()) << good;
}

TEST(SaveFolder, OverrideIsAbsoluteAndCreatedOnlyWhenWrittenInto) {
  Folder f;
  const fs::path cwd = fs::current_path();
  fs::create_directories(f.path);
  fs::current_path(f.path);
  SetSaveFolder("rel/save");
  fs::current_path(cwd);
  EXPECT_EQ(SaveFolder(), (f.path / "rel" / "save").string() + "/");
  // Listing and reading leave no folder behind; saving creates it.
  EXPECT_TRUE(ListSectorTemplates(SaveFolder()).empty());
  EXPECT_THROW(LoadSectorTemplate(SaveFolder(), "x.txt"), Error);
  EXPECT_THROW(LoadDriveTestTemplate("x.txt"), Error);
  EXPECT_FALSE(fs::exists(f.path / "rel"));
  SaveDriveTestTemplate("x", DriveTestTemplate{});
  EXPECT_TRUE(fs::is_regular_file(f.path / "rel" / "save" / "dt" / "x.txt"));
}

// A damaged or hostile template: the message quotes at most 80 printable
// characters of the bad line, and a pipe or an oversized file is refused
// before it is read.
TEST(Templates, BadFilesGiveShortPrintableReasons) {
  Folder f;
  std::string junk = " 1";
  for (int i = 0; i < 3000; ++i)
    if (const char c = static_cast<char>(i * 37 % 256); c != '\r' && c != '\n') junk += c;
  const std::string sector = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n" + junk + "\r\n 1 \r\n 1 \r\n";
  const std::string driveTest = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n" + junk + "\r\n1\r\n1\r\n1\r\n1\r\n";
  auto reasonOf = [](auto parse) -> std::string {
    try {
      parse();
    } catch (const Error& e) {
      return e.what();
    }
    return "accepted";
  };
  const std::string reasons[] = {reasonOf([&] { ParseSectorTemplate(sector, "s.txt"); }),
                                 reasonOf([&] { ParseDriveTestTemplate(driveTest, "d.txt"); })};
  for (const std::string& reason : reasons) {
    EXPECT_NE(reason, "accepted");
    EXPECT_LT(reason.size(), 400u) << reason;
    EXPECT_TRUE(IsUtf8(reason));
    for (unsigned char c : reason) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << reason;
    EXPECT_NE(reason.find("…"), std::string::npos) << reason;
  }
  EXPECT_EQ(PrintableExcerpt("a\x01\xFF\xC3" "b\tc\xC2\x85" "d 小区\x7F", 80), "abcd 小区");
  EXPECT_EQ(PrintableExcerpt("一二三四", 3), "一二三…");

  fs::create_directories(f.path);
  ASSERT_EQ(mkfifo((f.path / "pipe.txt").c_str(), 0600), 0);
  f.write("big.txt", std::string(kMaxTemplateBytes + 1, '1'));
  EXPECT_THROW(LoadSectorTemplate(f.str(), "pipe.txt"), Error);  // returns at once
  try {
    LoadSectorTemplate(f.str(), "big.txt");
    ADD_FAILURE() << "an oversized template was read";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("文件过大"), std::string::npos) << e.what();
  }
}
