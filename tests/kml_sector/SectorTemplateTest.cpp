// Sector settings templates: file bytes, round trips, damaged files, names.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/Encoding.h"
#include "common/Error.h"
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

TEST(SaveFolder, OverrideIsAbsoluteAndCreated) {
  Folder f;
  const fs::path cwd = fs::current_path();
  fs::create_directories(f.path);
  fs::current_path(f.path);
  SetSaveFolder("rel/save");
  fs::current_path(cwd);
  EXPECT_EQ(SaveFolder(), (f.path / "rel" / "save").string() + "/");
  EXPECT_TRUE(fs::is_directory(f.path / "rel" / "save"));
}
