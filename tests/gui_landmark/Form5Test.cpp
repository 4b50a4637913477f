// The landmark window offscreen, with scripted dialogs: what it shows when it
// opens, the icon-mode switch, the match lists and a generate run.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kml/ui/Form5.h"
#include "widgets/Dialogs.h"
#include "widgets/Worker.h"
#include "templates/SaveFolder.h"

namespace fs = std::filesystem;
using tessaro::ui::Form5;

namespace {

struct Shown {
  QString title, text, detail;
};

class FakeDialogs : public tessaro::ui::Dialogs {
 public:
  void message(QWidget*, const QString& title, const QString& text, const QString& detail) override {
    shown.push_back({title, text, detail});
  }
  bool question(QWidget*, const QString&, const QString&) override { return true; }
  std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QColor> colour(QWidget*, const QColor&) override { return {}; }
  QStringList openFiles(QWidget*, const QString&, const QString&) override { return files; }
  std::vector<Shown> shown;
  QStringList files;
};

struct TempDir {
  fs::path path;
  TempDir() {
    char tmpl[] = "/tmp/form5-test-XXXXXX";
    path = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

template <class T>
T* Find(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

class Form5Test : public ::testing::Test {
 protected:
  void SetUp() override {
    // A save folder of our own: three icons, the preview picture among them.
    save = dir.path / "save";
    fs::create_directories(save / "icon");
    for (const char* icon : {"点图标", "红色", "blue"})
      fs::copy_file(fs::path(TESSARO_SOURCE_DIR) / "data/save/icon" / (std::string(icon) + ".gif"),
                    save / "icon" / (std::string(icon) + ".gif"));
    tessaro::SetSaveFolder(save.string());
    tessaro::ui::setDialogs(&fake);
  }
  void TearDown() override { tessaro::ui::setDialogs(nullptr); }

  std::vector<QString> IconsInFolderOrder() {
    std::vector<QString> names;
    for (const auto& f : tessaro::ListFiles(save.string() + "/icon/", ".gif"))
      names.push_back(QString::fromStdString(f.substr(0, f.size() - 4)));
    return names;
  }

  TempDir dir;
  fs::path save;
  FakeDialogs fake;
};

}  // namespace

TEST_F(Form5Test, OpensWithDesignTextsDefaultIconAndIconLists) {
  Form5 w;
  EXPECT_EQ(Find<QLineEdit>(w, "Text1")->placeholderText(), "打开需要转换成Kml的Excel文件！");
  EXPECT_EQ(Find<QPushButton>(w, "Command2")->text(), "打开文件");
  EXPECT_EQ(Find<QComboBox>(w, "Combo5")->currentText(), "选择Excel表");
  EXPECT_EQ(Find<QComboBox>(w, "Combo1")->currentText(), "地标名称");
  EXPECT_EQ(Find<QComboBox>(w, "Combo2")->currentText(), "选择经度");
  EXPECT_EQ(Find<QComboBox>(w, "Combo3")->currentText(), "选择纬度");
  EXPECT_EQ(Find<QComboBox>(w, "Combo4")->currentText(), "选择数据");
  EXPECT_EQ(Find<QCheckBox>(w, "Check1")->text(), "描述");
  EXPECT_EQ(Find<QComboBox>(w, "Combo6")->currentText(), "勾选-自定义");
  EXPECT_FALSE(Find<QComboBox>(w, "Combo6")->isEnabled());
  EXPECT_EQ(Find<QRadioButton>(w, "Option1")->text(), "默认点图标");
  EXPECT_EQ(Find<QRadioButton>(w, "Option2")->text(), "自定义图标");
  EXPECT_TRUE(Find<QRadioButton>(w, "Option1")->isChecked());
  EXPECT_EQ(Find<QLineEdit>(w, "Text2")->text(), "0.8");
  EXPECT_EQ(Find<QLineEdit>(w, "Text6")->text(), "可自定义要保存的Kml文件名");
  EXPECT_EQ(Find<QPushButton>(w, "Command1")->text(), "生成Kml");
  EXPECT_NE(Find<QProgressBar>(w, "Pro1"), nullptr);

  const char* iconLists[] = {"Combo8", "Combo9", "Combo10"};
  const char* images[] = {"Image1", "Image2", "Image3"};
  for (int k = 0; k < 3; ++k) {
    QCheckBox* check = Find<QCheckBox>(w, QStringLiteral("Check2_%1").arg(k).toUtf8().constData());
    QComboBox* match = Find<QComboBox>(w, QStringLiteral("Combo7_%1").arg(k).toUtf8().constData());
    QComboBox* icons = Find<QComboBox>(w, iconLists[k]);
    ASSERT_TRUE(check && match && icons);
    EXPECT_EQ(check, w.Check2(k));
    EXPECT_EQ(check->property("index").toInt(), k);
    EXPECT_EQ(check->text(), "启用");
    EXPECT_EQ(match->currentText(), QStringLiteral("匹配图标数据-%1").arg(k + 1));
    EXPECT_EQ(icons->currentText(), QStringLiteral("选择图标-%1").arg(k + 1));
    EXPECT_FALSE(check->isEnabled());
    EXPECT_FALSE(match->isEnabled());
    EXPECT_FALSE(icons->isEnabled());
    std::vector<QString> listed;
    for (int i = 0; i < icons->count(); ++i) listed.push_back(icons->itemText(i));
    EXPECT_EQ(listed, IconsInFolderOrder());
    const QPixmap preview = Find<QLabel>(w, images[k])->pixmap();
    EXPECT_FALSE(preview.isNull()) << images[k];
  }
  // Choosing an icon shows it; everything fits the main window's frame.
  QComboBox* combo9 = Find<QComboBox>(w, "Combo9");
  combo9->setCurrentIndex(combo9->findText("红色"));
  EXPECT_FALSE(Find<QLabel>(w, "Image2")->pixmap().isNull());
  for (QWidget* c : w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    EXPECT_LE(c->geometry().right(), 590) << c->objectName().toStdString();
    EXPECT_LE(c->geometry().bottom(), 300) << c->objectName().toStdString();
  }
  EXPECT_TRUE(fake.shown.empty());
}

TEST_F(Form5Test, MissingPicturesLeaveEmptyPreviewsAndAUsableWindow) {
  fs::remove(save / "icon" / "点图标.gif");
  { std::ofstream(save / "icon" / "broken.gif") << "not a picture"; }
  Form5 w;
  for (const char* image : {"Image1", "Image2", "Image3"}) EXPECT_TRUE(Find<QLabel>(w, image)->pixmap().isNull());
  QComboBox* combo8 = Find<QComboBox>(w, "Combo8");
  combo8->setCurrentIndex(combo8->findText("broken"));
  EXPECT_TRUE(Find<QLabel>(w, "Image1")->pixmap().isNull());
  combo8->setCurrentIndex(combo8->findText("blue"));
  EXPECT_FALSE(Find<QLabel>(w, "Image1")->pixmap().isNull());
  Find<QRadioButton>(w, "Option2")->click();
  EXPECT_TRUE(w.Check2(0)->isEnabled());
}

TEST_F(Form5Test, OptionsSwitchTheGroupControlsAndKeepTheirContents) {
  Form5 w;
  Find<QRadioButton>(w, "Option2")->click();
  // No workbook and no data column: the listing message, with the reason.
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, "友情提示");
  EXPECT_EQ(fake.shown[0].text, "请确定已在下拉框中选择了数据,否则将会出错。");
  EXPECT_FALSE(fake.shown[0].detail.isEmpty());
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(w.Check2(k)->isEnabled());
    EXPECT_TRUE(w.Combo7(k)->isEnabled());
  }
  EXPECT_TRUE(Find<QComboBox>(w, "Combo10")->isEnabled());
  w.Check2(1)->setChecked(true);
  w.Combo7(1)->setEditText("商场");
  Find<QRadioButton>(w, "Option1")->click();
  EXPECT_FALSE(w.Check2(1)->isEnabled());
  EXPECT_FALSE(Find<QComboBox>(w, "Combo9")->isEnabled());
  EXPECT_TRUE(w.Check2(1)->isChecked());
  EXPECT_EQ(w.Combo7(1)->currentText(), "商场");
  EXPECT_FALSE(w.params().customIcons);
  // The description switch.
  Find<QCheckBox>(w, "Check1")->click();
  EXPECT_TRUE(Find<QComboBox>(w, "Combo6")->isEnabled());
}

TEST_F(Form5Test, GenerateChecksAndFailures) {
  Form5 w;
  const fs::path out = dir.path / "out.kml";
  Find<QLineEdit>(w, "Text6")->setText(QString::fromStdString(out.string()));
  Find<QRadioButton>(w, "Option2")->click();
  fake.shown.clear();
  // Custom icons with no group enabled: its own message, nothing written.
  Find<QPushButton>(w, "Command1")->click();
  tessaro::ui::WaitForJobs();
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, "友情提示");
  EXPECT_EQ(fake.shown[0].text, "没有启用任何自定义图标");
  EXPECT_FALSE(fs::exists(out));
  // Default icon before any workbook is open: the design text is no path.
  fake.shown.clear();
  Find<QRadioButton>(w, "Option1")->click();
  Find<QPushButton>(w, "Command1")->click();
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, "友情提示");
  EXPECT_EQ(fake.shown[0].text, "请先打开Excel文件");
  // A workbook that cannot be read and the data list at its design text.
  fake.shown.clear();
  Find<QLineEdit>(w, "Text1")->setText(QString::fromStdString((dir.path / "missing.xlsx").string()));
  Find<QPushButton>(w, "Command1")->click();
  tessaro::ui::WaitForJobs();
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, "友情提示！");
  EXPECT_EQ(fake.shown[0].text, "请正确设置信息！");
  EXPECT_FALSE(fake.shown[0].detail.isEmpty());
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(Find<QPushButton>(w, "Command1")->isEnabled());
}

TEST_F(Form5Test, ParamsReadTheControls) {
  Form5 w;
  Find<QComboBox>(w, "Combo4")->setEditText("类型");
  Find<QRadioButton>(w, "Option2")->click();
  w.Check2(2)->setChecked(true);
  w.Combo7(2)->setEditText("学校");
  QComboBox* combo10 = Find<QComboBox>(w, "Combo10");
  combo10->setCurrentIndex(combo10->findText("blue"));
  Find<QLineEdit>(w, "Text2")->setText("1.5");
  Find<QLineEdit>(w, "Text6")->setText(QString::fromStdString((dir.path / "a.kml").string()));
  const tessaro::LandmarkParams p = w.params();
  EXPECT_TRUE(p.customIcons);
  EXPECT_EQ(p.dataColumn, "类型");
  EXPECT_EQ(p.nameColumn, "");  // still at its design text: no column
  EXPECT_FALSE(p.groups[0].enabled);
  EXPECT_TRUE(p.groups[2].enabled);
  EXPECT_EQ(p.groups[2].value, "学校");
  EXPECT_EQ(p.groups[2].icon, "blue");
  EXPECT_EQ(p.scale, "1.5");
  EXPECT_EQ(p.output, (dir.path / "a.kml").string());
}

namespace {
bool ProviderReady(const std::string& book) {
  const std::string cmd = std::string(TESSARO_BINARY_DIR "/bin/tessaro-cli sheets '") + book + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}
}  // namespace

TEST_F(Form5Test, WindowAndCommandLineWriteTheSameBytes) {
  const std::string book = (dir.path / "points.xlsx").string();
  ASSERT_EQ(std::system(("/usr/bin/python3 '" TESSARO_SOURCE_DIR "/tests/landmark/make_points.py' '" + book + "'").c_str()), 0);
  if (!ProviderReady(book)) GTEST_SKIP() << "the workbook provider cannot read workbooks yet";
  Form5 w;
  fake.files = {QString::fromStdString(book)};
  Find<QPushButton>(w, "Command2")->click();
  QComboBox* combo5 = Find<QComboBox>(w, "Combo5");
  ASSERT_EQ(combo5->count(), 2);
  combo5->setCurrentIndex(combo5->findText("地标"));
  EXPECT_EQ(Find<QLineEdit>(w, "Text6")->text(), "points_地标.kml");
  EXPECT_EQ(Find<QComboBox>(w, "Combo1")->currentText(), "站名");
  EXPECT_EQ(Find<QComboBox>(w, "Combo2")->currentText(), "经度");
  EXPECT_EQ(Find<QComboBox>(w, "Combo3")->currentText(), "纬度");
  QComboBox* combo4 = Find<QComboBox>(w, "Combo4");
  combo4->setCurrentIndex(combo4->findText("类型"));
  Find<QRadioButton>(w, "Option2")->click();
  EXPECT_TRUE(fake.shown.empty());
  // Ascending, the empty value left out.
  ASSERT_EQ(w.Combo7(0)->count(), 2);
  EXPECT_EQ(w.Combo7(0)->itemText(0), "商场");
  EXPECT_EQ(w.Combo7(0)->itemText(1), "学校");
  // Another data column while custom icons are on refills the match lists.
  combo4->setCurrentIndex(combo4->findText("站名"));
  EXPECT_EQ(w.Combo7(1)->findText("学校"), -1);
  EXPECT_GT(w.Combo7(1)->count(), 0);
  combo4->setCurrentIndex(combo4->findText("类型"));
  ASSERT_EQ(w.Combo7(2)->count(), 2);
  EXPECT_TRUE(fake.shown.empty());
  w.Check2(0)->setChecked(true);
  w.Combo7(0)->setCurrentIndex(1);
  QComboBox* combo8 = Find<QComboBox>(w, "Combo8");
  combo8->setCurrentIndex(combo8->findText("红色"));
  Find<QPushButton>(w, "Command1")->click();
  tessaro::ui::WaitForJobs();
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, "友情提示！");
  EXPECT_EQ(fake.shown[0].text, "Kml文件已生成！") << fake.shown[0].detail.toStdString();
  const fs::path windowOut = dir.path / "points_地标.kml";
  const fs::path cliOut = dir.path / "cli.kml";
  const std::string cmd = std::string(TESSARO_BINARY_DIR "/bin/tessaro-cli kml-landmark -q '") + book +
                          "' --sheet 地标 --value 类型 --icon 学校=红色 --save-dir '" + save.string() + "' -o '" +
                          cliOut.string() + "' >/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(Slurp(windowOut), Slurp(cliOut));
  EXPECT_NE(Slurp(windowOut).find("<name>学校</name>"), std::string::npos);

  // The default pushpin needs no data column.
  fake.shown.clear();
  Find<QRadioButton>(w, "Option1")->click();
  combo4->setEditText(QString());
  Find<QPushButton>(w, "Command1")->click();
  tessaro::ui::WaitForJobs();
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].text, "Kml文件已生成！") << fake.shown[0].detail.toStdString();
  const std::string plain = std::string(TESSARO_BINARY_DIR "/bin/tessaro-cli kml-landmark -q '") + book +
                            "' --sheet 地标 --value 类型 -o '" + cliOut.string() + "' >/dev/null";
  ASSERT_EQ(std::system(plain.c_str()), 0);
  EXPECT_EQ(Slurp(windowOut), Slurp(cliOut));
}
