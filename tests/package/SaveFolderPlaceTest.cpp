// Where the save folder is for a build tree, an installed tree and a lone
// executable, and how a new per-user folder is seeded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "templates/SaveFolder.h"

namespace fs = std::filesystem;
using tessaro::ChooseSaveFolder;
using tessaro::PrepareSaveFolder;

namespace {

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("tessaro-place-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
};

void Touch(const fs::path& file, const std::string& text = "x") {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text;
}

std::string Slash(const fs::path& p) { return p.generic_string() + "/"; }

}  // namespace

TEST(SaveFolderPlace, BuildTreeInstalledTreeAndLoneExecutable) {
  TempDir t;
  const fs::path user = t.path / "home" / ".local" / "share";
  struct Case {
    const char* what;
    const char* exeFolder;
    std::vector<const char*> folders;  // made under the temporary folder
    std::string folder, seed;          // expected, relative to it ("" for none)
  };
  const std::string perUser = "home/.local/share/tessaro/save";
  const Case cases[] = {
      {"build tree", "build/bin", {"build/bin/save/icon"}, "build/bin/save", ""},
      {"installed", "usr/bin", {"usr/share/tessaro/save/icon"}, perUser, "usr/share/tessaro/save"},
      {"installed with a stray save/ beside the program",
       "opt/bin", {"opt/share/tessaro/save/icon", "opt/bin/save"}, perUser, "opt/share/tessaro/save"},
      {"lone executable", "tools", {}, perUser, ""},
      {"program folder named bin without shared data", "x/bin", {}, perUser, ""},
  };
  for (const Case& c : cases) {
    fs::create_directories(t.path / c.exeFolder);
    for (const char* f : c.folders) fs::create_directories(t.path / f);
    const tessaro::SavePlace place = ChooseSaveFolder((t.path / c.exeFolder).string(), user.string());
    EXPECT_EQ(place.folder, Slash(t.path / c.folder)) << c.what;
    EXPECT_EQ(place.seed, c.seed.empty() ? std::string() : Slash(t.path / c.seed)) << c.what;
  }
}

TEST(SaveFolderPlace, NewFolderIsSeededOnceAndKeepsWhatItsUserDeleted) {
  TempDir t;
  const fs::path shared = t.path / "usr/share/tessaro/save";
  Touch(shared / "icon" / "红色.gif", "GIF89a red");
  Touch(shared / "icon" / "点图标.gif", "GIF89a dot");
  fs::create_directories(t.path / "usr/bin");
  const tessaro::SavePlace place = ChooseSaveFolder((t.path / "usr/bin").string(), (t.path / "data").string());
  const fs::path mine = fs::path(place.folder).parent_path();  // without the final "/"

  PrepareSaveFolder(place);
  std::ifstream in(mine / "icon" / "红色.gif");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "GIF89a red");
  EXPECT_TRUE(fs::is_directory(mine / "dt"));
  EXPECT_TRUE(fs::exists(mine / "icon" / "点图标.gif"));

  // The user deletes an icon and adds a template: the next run keeps both.
  fs::remove(mine / "icon" / "红色.gif");
  Touch(mine / "mine.txt");
  PrepareSaveFolder(place);
  EXPECT_FALSE(fs::exists(mine / "icon" / "红色.gif"));
  EXPECT_TRUE(fs::exists(mine / "mine.txt"));
  // No half-seeded folder is left beside it.
  const auto beside = std::distance(fs::directory_iterator(mine.parent_path()), fs::directory_iterator());
  EXPECT_EQ(beside, 1);
}
