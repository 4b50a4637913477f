// "更多选项…" in each layer window that has it: the options set in its dialog
// make the window write what tessaro-cli writes with the matching options on
// the same workbook; "保存为 KMZ" and the output name agree; the column lists
// follow the window's sheet.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <map>

#include "gui_shell/FakeDialogs.h"
#include "kml/ui/Form1.h"
#include "kml/ui/Form2.h"
#include "kml/ui/Form3.h"
#include "kml/ui/Form5.h"
#include "mif/ui/map.h"
#include "mif/ui/map2.h"
#include "mif/ui/map3.h"
#include "widgets/Worker.h"
#include "support/CliRun.h"
#include "templates/SaveFolder.h"

namespace fs = std::filesystem;
using namespace tessaro::ui;
using tessaro::test::Lines;
using tessaro::test::Ran;
using tessaro::test::ReadFile;

// Readable failures.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// Control values for the dialog: a list takes the text, a box the text, a
// check box "1" or "".
using Settings = std::vector<std::pair<const char*, QString>>;

// A dialog script that sets `settings` and answers OK (or cancel).
std::function<bool(QDialog&)> Set(const Settings& settings, bool ok = true) {
  return [settings, ok](QDialog& d) {
    for (const auto& [name, value] : settings) {
      if (auto* box = d.findChild<QCheckBox*>(name)) {
        box->setChecked(!value.isEmpty());
      } else if (auto* list = d.findChild<QComboBox*>(name)) {
        const int at = list->findText(value);
        EXPECT_GE(at, 0) << name << " offers no " << value.toStdString();
        list->setCurrentIndex(at);
      } else if (auto* edit = d.findChild<QLineEdit*>(name)) {
        edit->setText(value);
      } else {
        ADD_FAILURE() << "the dialog has no " << name;
      }
    }
    return ok;
  };
}

// What the dialog shows: each list's entries and choice, each box's tick.
struct Seen {
  std::map<QString, QStringList> entries;
  std::map<QString, QString> chosen;
};
std::function<bool(QDialog&)> Look(Seen* seen) {
  return [seen](QDialog& d) {
    for (QComboBox* list : d.findChildren<QComboBox*>()) {
      QStringList items;
      for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
      seen->entries[list->objectName()] = items;
      seen->chosen[list->objectName()] = list->currentText();
    }
    for (QCheckBox* box : d.findChildren<QCheckBox*>())
      seen->chosen[box->objectName()] = box->isChecked() ? "1" : "";
    return false;
  };
}

QComboBox* List(QWidget* w, const char* name) { return w->findChild<QComboBox*>(name); }
QLineEdit* Text6(QWidget* w) { return w->findChild<QLineEdit*>("Text6"); }

void Choose(QComboBox* list, const QString& text) {
  ASSERT_NE(list, nullptr);
  const int at = list->findText(text);
  ASSERT_GE(at, 0) << text.toStdString();
  list->setCurrentIndex(at);
}

class MoreOptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("tessaro-more-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "save" / "icon");
    const std::string cmd = "/usr/bin/python3 '" TESSARO_SOURCE_DIR "/tests/real_workbooks/make_real.py' '" +
                            dir_.string() + "' >/dev/null 2>&1";
    made_ = std::system(cmd.c_str()) == 0;
    fs::copy_file(TESSARO_SOURCE_DIR "/data/sample.xlsx", dir_ / "sample.xlsx");
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }
  void SetUp() override {
    ASSERT_TRUE(made_) << "cannot make the workbooks (python3-openpyxl, python3-xlsxwriter)";
    tessaro::SetSaveFolder((dir_ / "save").string());
  }

  static QString Book(const char* name) { return QString::fromStdString((dir_ / name).string()); }
  static Ran Run(const std::vector<std::string>& args, const std::string& program = tessaro::test::Cli()) {
    return tessaro::test::RunProgram(args, dir_, dir_, program);
  }

  // Opens `book` in `w` through its open button.
  void Open(QWidget* w, const char* book) {
    fake_.files.push_back({Book(book)});
    w->findChild<QPushButton*>("Command2")->click();
  }
  // Sets the extras through the dialog.
  void SetExtras(QWidget* w, const Settings& settings) {
    fake_.dialogScripts.push_back(Set(settings));
    More(w)->click();
    EXPECT_TRUE(fake_.dialogScripts.empty()) << "no dialog was shown";
  }
  Seen Dialog(QWidget* w) {
    Seen seen;
    fake_.dialogScripts.push_back(Look(&seen));
    More(w)->click();
    return seen;
  }
  static QPushButton* More(QWidget* w) { return w->findChild<QPushButton*>("More"); }

  // Presses the generate button and waits for the completion message.
  const Shown& Generate(QWidget* w, const char* button = "Command1") {
    w->findChild<QPushButton*>(button)->click();
    WaitForJobs();
    QApplication::processEvents();
    return fake_.shown.back();
  }

  // Runs tessaro-cli with `args` writing `name` into the folder cli/ (a
  // layer may name its own files, so both runs write the same name).
  void RunCli(std::vector<std::string> args, const std::string& name) {
    fs::create_directories(dir_ / "cli");
    args.insert(args.end(), {"-o", "cli/" + name, "-q"});
    const Ran r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
  }

  // `name` as the window and the command line wrote it: byte for byte, a
  // KMZ too (its entries carry the workbook's time, not the time of writing).
  void ExpectSameLayer(const std::string& name) {
    SCOPED_TRACE(name);
    const std::string cli = "cli/" + name;
    ASSERT_TRUE(fs::exists(dir_ / name));
    ASSERT_TRUE(fs::exists(dir_ / cli));
    EXPECT_EQ(ReadFile(dir_ / name), ReadFile(dir_ / cli));
    if (!tessaro::IsKmzName(name)) return;
    const std::vector<std::string> entries = Lines(Run({"-Z1", name}, "unzip").out);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front(), "doc.kml");
  }

  static inline fs::path dir_;
  static inline bool made_ = false;
  FakeDialogs fake_;
};

TEST_F(MoreOptions, OnlyTheWindowsWithExtrasHaveTheButton) {
  Form1 f1;
  Form2 f2;
  Form3 f3;
  Form5 f5;
  map m;
  map2 m2;
  map3 m3;
  for (QWidget* w : std::initializer_list<QWidget*>{&f1, &f2, &f3, &f5, &m, &m2}) {
    ASSERT_NE(More(w), nullptr) << w->objectName().toStdString();
    EXPECT_EQ(More(w)->text(), QStringLiteral("更多选项…"));
  }
  EXPECT_EQ(More(&m3), nullptr);
  // Each dialog offers its window's extras, in this order.
  const std::pair<QWidget*, QStringList> offered[] = {
      {&f1, {"BeamwidthColumn", "RadiusColumn", "FolderColumn", "ColourBy", "ColourMod", "Attributes", "Kmz"}},
      {&m, {"BeamwidthColumn", "RadiusColumn", "ColourBy", "ColourMod"}},
      {&f2, {"TimeColumn", "TimeDate", "ColourBy", "ColourMod", "GridSize", "GridStat", "Legend", "Attributes", "Kmz", "Regionate"}},
      {&m2, {"ColourBy", "ColourMod", "GridSize", "GridStat"}},
      {&f5, {"Attributes", "Kmz", "Regionate"}},
      {&f3, {"Kmz", "Regionate"}}};
  for (const auto& [w, names] : offered) {
    QStringList shown;
    fake_.dialogScripts.push_back([&shown](QDialog& d) {
      for (QWidget* c : d.findChildren<QWidget*>())
        if (qobject_cast<QComboBox*>(c) || qobject_cast<QCheckBox*>(c) || qobject_cast<QLineEdit*>(c))
          shown << c->objectName();
      EXPECT_EQ(d.windowTitle(), QStringLiteral("更多选项"));
      return false;
    });
    More(w)->click();
    EXPECT_EQ(shown, names) << w->objectName().toStdString();
  }
}

TEST_F(MoreOptions, SectorWindowsWriteWhatTheCommandLineWrites) {
  Form1 f;
  Open(&f, "extras.xlsx");
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("extras_小区.kml"));
  SetExtras(&f, {{"BeamwidthColumn", "Beam"}, {"RadiusColumn", "Radius"}, {"FolderColumn", "Site"}, {"Attributes", "1"}});
  EXPECT_EQ(Generate(&f).text, QStringLiteral("Kml文件已生成！")) << fake_.shown.back().detail.toStdString();
  const std::vector<std::string> sectors = {"kml-sector", "extras.xlsx", "--beamwidth-column", "Beam", "--radius-column",
                                            "Radius", "--folders", "Site", "--attributes"};
  RunCli(sectors, "extras_小区.kml");
  ExpectSameLayer("extras_小区.kml");
  // The same as a KMZ; the other extras stay as they were set.
  SetExtras(&f, {{"Kmz", "1"}});
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("extras_小区.kmz"));
  EXPECT_EQ(Generate(&f).paths, QStringList{Book("extras_小区.kmz")});
  RunCli(sectors, "extras_小区.kmz");
  ExpectSameLayer("extras_小区.kmz");

  map m;
  Open(&m, "extras.xlsx");
  SetExtras(&m, {{"BeamwidthColumn", "Beam"}, {"RadiusColumn", "Radius"}});
  EXPECT_EQ(Generate(&m).text, QStringLiteral("MIF文件已生成！")) << fake_.shown.back().detail.toStdString();
  RunCli({"mif-sector", "extras.xlsx", "--beamwidth-column", "Beam", "--radius-column", "Radius"}, "extras_小区");
  ExpectSameLayer("extras_小区.mif");
  ExpectSameLayer("extras_小区.mid");
}

TEST_F(MoreOptions, PointWindowsWriteWhatTheCommandLineWrites) {
  Form2 f;
  Open(&f, "extras.xlsx");
  Choose(List(&f, "Combo5"), QStringLiteral("路测"));
  Choose(List(&f, "Combo2"), "LON");
  Choose(List(&f, "Combo3"), "LAT");
  Choose(List(&f, "Combo4"), "RSRP");
  SetExtras(&f, {{"TimeColumn", "Time"}, {"Legend", "1"}, {"Attributes", "1"}});
  // Beside a KML the legend image is one of the files written; the bands are in the message.
  const Shown& plain = Generate(&f);
  EXPECT_EQ(plain.paths, (QStringList{Book("extras_路测.kml"), Book("extras_路测_legend.png")}));
  EXPECT_TRUE(plain.text.contains(QStringLiteral("\n区间 -120～-95：2 点（50.0%）\n"))) << plain.text.toStdString();
  const std::vector<std::string> drive = {"kml-drivetest", "extras.xlsx", "--sheet", "路测", "--lon", "LON", "--lat",
                                          "LAT", "--value", "RSRP", "--time", "Time", "--legend", "--attributes"};
  RunCli(drive, "extras_路测.kml");
  ExpectSameLayer("extras_路测.kml");
  ExpectSameLayer("extras_路测_legend.png");
  SetExtras(&f, {{"Kmz", "1"}});
  EXPECT_EQ(Generate(&f).paths, QStringList{Book("extras_路测.kmz")});  // the legend is inside
  RunCli(drive, "extras_路测.kmz");
  ExpectSameLayer("extras_路测.kmz");

  Form5 marks;
  Open(&marks, "extras.xlsx");
  Choose(List(&marks, "Combo5"), QStringLiteral("地标"));
  Choose(List(&marks, "Combo4"), QStringLiteral("类型"));
  SetExtras(&marks, {{"Attributes", "1"}, {"Kmz", "1"}});
  EXPECT_EQ(Generate(&marks).text, QStringLiteral("Kml文件已生成！")) << fake_.shown.back().detail.toStdString();
  RunCli({"kml-landmark", "extras.xlsx", "--sheet", "地标", "--value", "类型", "--attributes"}, "extras_地标.kmz");
  ExpectSameLayer("extras_地标.kmz");

  Form3 lines;
  Open(&lines, "sample.xlsx");
  Choose(List(&lines, "Combo7"), QStringLiteral("小区"));
  Choose(List(&lines, "Combo10"), QStringLiteral("路测"));
  SetExtras(&lines, {{"Kmz", "1"}});
  const std::string name = Text6(&lines)->text().toStdString();
  EXPECT_TRUE(tessaro::IsKmzName(name)) << name;
  EXPECT_EQ(Generate(&lines, "Command3").text, QStringLiteral("Kml文件已生成！")) << fake_.shown.back().detail.toStdString();
  RunCli({"kml-flyline", "sample.xlsx", "--cells", "小区", "--points", "路测"}, name);
  ExpectSameLayer(name);
}

// "分级加载（大图层）" ticks "保存为 KMZ" and writes the tiles --regionate writes.
TEST_F(MoreOptions, RegionateTickWritesWhatTheCommandLineWrites) {
  Form2 f;
  Open(&f, "extras.xlsx");
  Choose(List(&f, "Combo5"), QStringLiteral("路测"));
  Choose(List(&f, "Combo2"), "LON");
  Choose(List(&f, "Combo3"), "LAT");
  Choose(List(&f, "Combo4"), "RSRP");
  SetExtras(&f, {{"Regionate", "1"}});
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("extras_路测.kmz"));
  EXPECT_EQ(Dialog(&f).chosen["Kmz"], "1");
  Text6(&f)->setText("tiles.kmz");
  EXPECT_EQ(Generate(&f).paths, QStringList{Book("tiles.kmz")});
  RunCli({"kml-drivetest", "extras.xlsx", "--sheet", "路测", "--lon", "LON", "--lat", "LAT", "--value", "RSRP",
          "--regionate"},
         "tiles.kmz");
  ExpectSameLayer("tiles.kmz");
  EXPECT_EQ(Lines(Run({"-Z1", "tiles.kmz"}, "unzip").out), (std::vector<std::string>{"doc.kml", "tiles/0.kml"}));
  // A name typed as a KML drops the tiles with the KMZ.
  Text6(&f)->setText("plain.kml");
  emit Text6(&f)->textEdited("plain.kml");
  EXPECT_EQ(Dialog(&f).chosen["Regionate"], "");
}

// The grid and the colouring set in the dialogs give the bytes the command
// line gives; a size out of range fails naming it.
TEST_F(MoreOptions, AnalysisOptionsWriteWhatTheCommandLineWrites) {
  Form2 f;
  Open(&f, "sample.xlsx");
  Choose(List(&f, "Combo5"), QStringLiteral("路测"));
  SetExtras(&f, {{"GridSize", "50"}, {"GridStat", QStringLiteral("中位数")}, {"Legend", "1"}});
  const Shown& grid = Generate(&f);
  EXPECT_TRUE(grid.text.startsWith(QStringLiteral("Kml文件已生成！"))) << grid.detail.toStdString();
  EXPECT_TRUE(grid.text.contains(QStringLiteral("格（"))) << grid.text.toStdString();
  RunCli({"kml-drivetest", "sample.xlsx", "--sheet", "路测", "--grid", "50", "--stat", "median", "--legend"},
         "sample_路测.kml");
  ExpectSameLayer("sample_路测.kml");
  ExpectSameLayer("sample_路测_legend.png");
  SetExtras(&f, {{"GridSize", "3"}});
  Text6(&f)->setText("refused.kml");
  const Shown& refused = Generate(&f);
  EXPECT_EQ(refused.text, QStringLiteral("出错啦，检查各项操作步骤吧！"));
  EXPECT_TRUE(refused.detail.contains(QStringLiteral("5～1000"))) << refused.detail.toStdString();

  map2 m2;
  Open(&m2, "sample.xlsx");
  Choose(List(&m2, "Combo5"), QStringLiteral("路测"));
  SetExtras(&m2, {{"ColourBy", "CI"}, {"ColourMod", "3"}});
  EXPECT_TRUE(Generate(&m2).text.startsWith(QStringLiteral("MIF文件已生成！"))) << fake_.shown.back().detail.toStdString();
  RunCli({"mif-drivetest", "sample.xlsx", "--sheet", "路测", "--colour-by", "CI", "--mod", "3"}, "sample_路测");
  ExpectSameLayer("sample_路测.mif");
  ExpectSameLayer("sample_路测.mid");

  Form1 f1;
  Open(&f1, "sample.xlsx");
  SetExtras(&f1, {{"ColourBy", "CI"}, {"ColourMod", "3"}});
  EXPECT_TRUE(Generate(&f1).text.startsWith(QStringLiteral("Kml文件已生成！"))) << fake_.shown.back().detail.toStdString();
  RunCli({"kml-sector", "sample.xlsx", "--colour-by", "CI", "--mod", "3"}, "sample_小区.kml");
  ExpectSameLayer("sample_小区.kml");
}

// "保存为 KMZ" and the output name say the same thing whichever of them changed.
TEST_F(MoreOptions, KmzTickAndOutputNameAgree) {
  Form1 f;
  SetExtras(&f, {{"Kmz", "1"}});  // before any workbook: the design text is no name to change
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("可自定义要保存的Kml文件名"));
  Open(&f, "extras.xlsx");
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("extras_小区.kmz"));  // the proposed name follows the tick
  EXPECT_EQ(Dialog(&f).chosen["Kmz"], "1");
  SetExtras(&f, {{"Kmz", ""}});
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("extras_小区.kml"));

  struct Step {
    const char* typed;  // the user's name
    const char* tick;   // then set in the dialog (nullptr: only looked at)
    const char* shown;  // the tick the dialog showed
    const char* name;   // Text6 afterwards
  };
  const Step steps[] = {
      {"mine.KMZ", nullptr, "1", "mine.KMZ"}, {"mine.KMZ", "", "1", "mine.kml"}, {"plain", "1", "", "plain.kmz"},
      {"a.KML", "1", "", "a.kmz"},            {"a.kml", "", "", "a.kml"},         {"x.kmz.kml", "1", "", "x.kmz.kmz"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.typed) + " " + (s.tick ? s.tick : "-"));
    Text6(&f)->setText(s.typed);
    emit Text6(&f)->textEdited(s.typed);
    EXPECT_EQ(Dialog(&f).chosen["Kmz"], s.shown);
    if (s.tick) SetExtras(&f, {{"Kmz", s.tick}});
    EXPECT_EQ(Text6(&f)->text(), s.name);
  }
  // A name typed as KMZ keeps the next sheet's proposed name a KMZ.
  Text6(&f)->setText("typed.kmz");
  emit Text6(&f)->textEdited("typed.kmz");
  Choose(List(&f, "Combo5"), QStringLiteral("坏值"));
  EXPECT_EQ(Text6(&f)->text(), QStringLiteral("extras_坏值.kmz"));
}

TEST_F(MoreOptions, ColumnListsFollowTheSheet) {
  Form1 f;
  Seen before = Dialog(&f);  // no workbook: nothing but "not used"
  EXPECT_EQ(before.entries["BeamwidthColumn"], QStringList{QString()});
  Open(&f, "extras.xlsx");
  const QStringList cells = {"", "基站名称", "经度", "纬度", "方位角", "Beam", "Radius", "Site", "Remark"};
  EXPECT_EQ(Dialog(&f).entries["FolderColumn"], cells);
  SetExtras(&f, {{"BeamwidthColumn", "Beam"}, {"FolderColumn", "Site"}});
  // Cancelled: nothing changes.
  fake_.dialogScripts.push_back(Set({{"BeamwidthColumn", "Radius"}, {"Attributes", "1"}}, false));
  More(&f)->click();
  Seen kept = Dialog(&f);
  EXPECT_EQ(kept.chosen["BeamwidthColumn"], "Beam");
  EXPECT_EQ(kept.chosen["FolderColumn"], "Site");
  EXPECT_EQ(kept.chosen["Attributes"], "");

  // A sheet without "Site": the lists hold its headers, the folder column is cleared.
  Choose(List(&f, "Combo5"), QStringLiteral("坏值"));
  Seen other = Dialog(&f);
  EXPECT_EQ(other.entries["RadiusColumn"], (QStringList{"", "基站名称", "经度", "纬度", "方位角", "Beam", "Radius"}));
  EXPECT_EQ(other.chosen["BeamwidthColumn"], "Beam");
  EXPECT_EQ(other.chosen["FolderColumn"], "");
  // Back on the first sheet the cleared column stays cleared.
  Choose(List(&f, "Combo5"), QStringLiteral("小区"));
  EXPECT_EQ(Dialog(&f).chosen["FolderColumn"], "");

  // A workbook that cannot be read leaves no column chosen.
  std::ofstream(dir_ / "broken.xlsx") << "PK\x03\x04 not a workbook";
  Open(&f, "broken.xlsx");
  Seen none = Dialog(&f);
  EXPECT_EQ(none.entries["BeamwidthColumn"], QStringList{QString()});
  EXPECT_EQ(none.chosen["BeamwidthColumn"], "");
}

}  // namespace
