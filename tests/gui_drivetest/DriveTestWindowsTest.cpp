// The drive-test windows under the offscreen platform, with scripted dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kml/ui/Form2.h"
#include "mif/ui/map2.h"
#include "app/MDIForm1.h"
#include "widgets/Dialogs.h"
#include "widgets/Worker.h"
#include "source/Provider.h"
#include "templates/SaveFolder.h"
#include "templates/ui/DriveTestSettings.h"

using namespace tessaro::ui;
namespace fs = std::filesystem;

namespace {

struct Shown {
  QString title, text, detail;
};

class FakeDialogs : public Dialogs {
 public:
  void message(QWidget*, const QString& title, const QString& text, const QString& detail) override {
    messages.push_back({title, text, detail});
  }
  bool question(QWidget*, const QString& title, const QString& text) override {
    questions.push_back({title, text, {}});
    bool a = answers.empty() ? false : answers.front();
    if (!answers.empty()) answers.pop_front();
    return a;
  }
  std::optional<QString> input(QWidget*, const QString& title, const QString& prompt, const QString& initial) override {
    inputs.push_back({title, prompt, initial});
    auto a = inputAnswers.empty() ? std::nullopt : inputAnswers.front();
    if (!inputAnswers.empty()) inputAnswers.pop_front();
    return a;
  }
  std::optional<QColor> colour(QWidget*, const QColor& initial) override {
    colourInitials.push_back(initial);
    auto a = colours.empty() ? std::nullopt : colours.front();
    if (!colours.empty()) colours.pop_front();
    return a;
  }
  QStringList openFiles(QWidget*, const QString&, const QString&) override { return files; }

  std::vector<Shown> messages, questions, inputs;
  std::deque<bool> answers;
  std::deque<std::optional<QString>> inputAnswers;
  std::deque<std::optional<QColor>> colours;
  std::vector<QColor> colourInitials;
  QStringList files;
};

class DriveTestWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    save_ = fs::path(TESSARO_BINARY_DIR) / "tmp-gui-drivetest" / name;
    fs::remove_all(save_);
    fs::create_directories(save_ / "icon");
    tessaro::SetSaveFolder(save_.string());
    setDialogs(&fake_);
  }
  void TearDown() override { setDialogs(nullptr); }

  template <class T>
  static T* Get(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  static QString Text(QWidget* w, const char* name) { return Get<QLineEdit>(w, name)->text(); }
  static void Click(QWidget* w, const char* name) { Get<QPushButton>(w, name)->click(); }

  fs::path save_;
  FakeDialogs fake_;
};

}  // namespace

TEST_F(DriveTestWindows, InitialControlsOfBothWindows) {
  Form2 f;
  map2 m;
  // The design caption and the layer format, so the two can be told apart.
  EXPECT_EQ(f.windowTitle(), QStringLiteral("配置路测信息（KML）"));
  EXPECT_EQ(m.windowTitle(), QStringLiteral("配置路测信息（Mapinfo）"));
  EXPECT_EQ(Get<QLineEdit>(&f, "Text1")->placeholderText(), QStringLiteral("打开需要转换成Kml的Excel文件！"));
  EXPECT_EQ(Get<QLineEdit>(&m, "Text1")->placeholderText(), QStringLiteral("打开需要转换成MIF的Excel文件！"));
  EXPECT_EQ(Text(&f, "Text6"), QStringLiteral("可自定义要保存的Kml文件名"));
  EXPECT_EQ(Text(&m, "Text6"), QStringLiteral("可自定义要保存的mif文件名"));
  EXPECT_EQ(Get<QComboBox>(&f, "Combo1")->currentText(), QStringLiteral("DIY显示名"));
  EXPECT_FALSE(Get<QComboBox>(&f, "Combo1")->isEnabled());
  EXPECT_EQ(Get<QComboBox>(&f, "Combo6")->currentText(), QStringLiteral("勾选-自定义"));
  EXPECT_FALSE(Get<QComboBox>(&f, "Combo6")->isEnabled());
  EXPECT_EQ(Get<QComboBox>(&f, "Combo7")->currentText(), QStringLiteral("点图标"));
  EXPECT_TRUE(Get<QCheckBox>(&f, "Check3")->isChecked());
  EXPECT_FALSE(Get<QCheckBox>(&f, "Check2")->isChecked());
  EXPECT_EQ(Get<QCheckBox>(&f, "Check4")->text(), QStringLiteral("取经纬度前几位："));
  EXPECT_EQ(Text(&f, "Text14"), "8");
  EXPECT_EQ(Text(&f, "Text15"), "7");
  EXPECT_EQ(Get<QPushButton>(&f, "Command1")->text(), QStringLiteral("生成Kml"));
  EXPECT_EQ(Get<QPushButton>(&m, "Command1")->text(), QStringLiteral("生成MIF"));
  EXPECT_EQ(m.findChild<QLineEdit*>("Text14"), nullptr);
  for (QWidget* w : {static_cast<QWidget*>(&f), static_cast<QWidget*>(&m)}) {
    const char* bounds[] = {"Text3", "Text4", "Text5", "Text7", "Text8", "Text9", "Text10", "Text11", "Text12", "Text13"};
    const char* values[] = {"-120", "-95", "-95", "-90", "-90", "-80", "-80", "-70", "-70", "-20"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Text(w, bounds[i]), values[i]) << bounds[i];
    EXPECT_EQ(Get<QPushButton>(w, "Command9")->text(), QStringLiteral("默认值"));
    EXPECT_EQ(Get<QPushButton>(w, "Command4")->text(), QStringLiteral("<<保存"));
    EXPECT_EQ(Get<QPushButton>(w, "Command10")->text(), QStringLiteral("<<删除"));
    EXPECT_EQ(Get<QPushButton>(w, "Command3")->property("colourValue").toUInt(), 255u);
    EXPECT_EQ(Get<QPushButton>(w, "Command8")->property("colourValue").toUInt(), 65280u);
    EXPECT_EQ(Get<QListWidget>(w, "List1")->selectionMode(), QAbstractItemView::ExtendedSelection);
    ASSERT_NE(w->findChild<QProgressBar*>("Pro1"), nullptr);
    EXPECT_EQ(w->findChild<QProgressBar*>("Pro1")->value(), 0);
    // Everything fits the child area of the 600 x 360 frame.
    for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      EXPECT_LE(c->geometry().right(), 590) << c->objectName().toStdString();
      EXPECT_LE(c->geometry().bottom(), 290) << c->objectName().toStdString();
    }
  }
  EXPECT_EQ(Text(&f, "Text2"), "0.4");
  EXPECT_EQ(Text(&m, "Text2"), "8");
}

TEST_F(DriveTestWindows, CheckBoxCouplingsAndTheCqtMessage) {
  Form2 f;
  auto* check3 = Get<QCheckBox>(&f, "Check3");
  auto* check2 = Get<QCheckBox>(&f, "Check2");
  auto* combo1 = Get<QComboBox>(&f, "Combo1");
  check3->click();  // unticked
  ASSERT_EQ(fake_.messages.size(), 1u);
  EXPECT_EQ(fake_.messages[0].title, QStringLiteral("友情提示"));
  EXPECT_EQ(fake_.messages[0].text, QStringLiteral("已禁用阀值，请在【显示点名称】设置点需要显示的名称，本功能适合CQT！"));
  EXPECT_TRUE(check2->isChecked());
  EXPECT_TRUE(combo1->isEnabled());
  check3->click();  // ticked again
  EXPECT_FALSE(check2->isChecked());
  EXPECT_FALSE(combo1->isEnabled());
  EXPECT_EQ(fake_.messages.size(), 1u);
  Get<QCheckBox>(&f, "Check1")->click();
  EXPECT_TRUE(Get<QComboBox>(&f, "Combo6")->isEnabled());
  Get<QCheckBox>(&f, "Check1")->click();
  EXPECT_FALSE(Get<QComboBox>(&f, "Combo6")->isEnabled());
  check2->click();
  EXPECT_TRUE(combo1->isEnabled());
}

TEST_F(DriveTestWindows, NameAndDescriptionMayNotBeACoordinate) {
  Form2 f;
  auto* combo2 = Get<QComboBox>(&f, "Combo2");
  auto* combo6 = Get<QComboBox>(&f, "Combo6");
  auto* combo1 = Get<QComboBox>(&f, "Combo1");
  for (QComboBox* c : {combo1, combo2, Get<QComboBox>(&f, "Combo3"), combo6}) c->addItems({"Lon", "Lat", "Name"});
  combo2->setCurrentIndex(0);
  Get<QComboBox>(&f, "Combo3")->setCurrentIndex(1);
  Get<QCheckBox>(&f, "Check1")->click();
  combo6->setCurrentIndex(2);
  emit combo6->activated(2);  // an ordinary column is accepted
  EXPECT_TRUE(fake_.messages.empty());
  combo6->setCurrentIndex(0);
  emit combo6->activated(0);
  ASSERT_EQ(fake_.messages.size(), 1u);
  EXPECT_EQ(fake_.messages[0].text, QStringLiteral("不能选择该值"));
  EXPECT_EQ(fake_.messages[0].title, QStringLiteral("友情提示"));
  EXPECT_EQ(combo6->currentText(), QString());
  EXPECT_FALSE(Get<QCheckBox>(&f, "Check1")->isChecked());
  Get<QCheckBox>(&f, "Check2")->click();
  combo1->setCurrentIndex(1);
  emit combo1->activated(1);
  EXPECT_EQ(fake_.messages.size(), 2u);
  EXPECT_FALSE(Get<QCheckBox>(&f, "Check2")->isChecked());
}

TEST_F(DriveTestWindows, BandBoundsMirrorWithoutEcho) {
  for (int kind = 0; kind < 2; ++kind) {
    std::unique_ptr<QWidget> w(kind == 0 ? static_cast<QWidget*>(new Form2) : static_cast<QWidget*>(new map2));
    QSignalSpy spy4(Get<QLineEdit>(w.get(), "Text4"), &QLineEdit::textChanged);
    QSignalSpy spy5(Get<QLineEdit>(w.get(), "Text5"), &QLineEdit::textChanged);
    Get<QLineEdit>(w.get(), "Text5")->setText("-93");
    EXPECT_EQ(Text(w.get(), "Text4"), "-93");
    EXPECT_EQ(spy4.count(), 1);
    EXPECT_EQ(spy5.count(), 1);
    Get<QLineEdit>(w.get(), "Text9")->setText("-85");
    EXPECT_EQ(Text(w.get(), "Text10"), "-85");
    Get<QLineEdit>(w.get(), "Text7")->setText("-88");
    EXPECT_EQ(Text(w.get(), "Text8"), "-88");
    Get<QLineEdit>(w.get(), "Text12")->setText("");
    EXPECT_EQ(Text(w.get(), "Text11"), "");
    EXPECT_EQ(Text(w.get(), "Text13"), "-20");  // row 5's upper bound has no pair
  }
}

TEST_F(DriveTestWindows, SteppersAndDefaults) {
  Form2 f;
  map2 m;
  auto* t = Get<QLineEdit>(&f, "Text2");
  t->setText("0.1");
  Click(&f, "Command17");
  EXPECT_EQ(t->text(), "0");
  Click(&f, "Command17");
  EXPECT_EQ(t->text(), "0");
  t->setText("0.4");
  Click(&f, "Command16");
  EXPECT_EQ(t->text(), "0.5");
  t->setText("0.9");
  Click(&f, "Command16");
  EXPECT_EQ(t->text(), "1");
  t->setText("0.7");
  Click(&f, "Command16");
  EXPECT_EQ(t->text(), "0.8");
  t->setText("1.3");
  Click(&f, "Command17");
  EXPECT_EQ(t->text(), "1.2");
  auto* s = Get<QLineEdit>(&m, "Text2");
  s->setText("1");
  Click(&m, "Command17");
  EXPECT_EQ(s->text(), "1");
  s->setText("8");
  Click(&m, "Command16");
  EXPECT_EQ(s->text(), "9");
  s->setText("0.4");
  Click(&m, "Command16");
  EXPECT_EQ(s->text(), "1.4");

  Get<QLineEdit>(&f, "Text14")->setText("5");
  Get<QLineEdit>(&f, "Text4")->setText("-99");
  f.settings()->setColour(2, 0);
  Click(&f, "Command9");
  EXPECT_EQ(Text(&f, "Text2"), "0.4");
  EXPECT_EQ(Text(&f, "Text13"), "-25");
  EXPECT_EQ(Text(&f, "Text4"), "-95");
  EXPECT_EQ(Text(&f, "Text11"), "-70");
  EXPECT_EQ(Text(&f, "Text14"), "8");
  EXPECT_EQ(f.settings()->colour(2), 16711680u);
  Click(&m, "Command9");
  EXPECT_EQ(Text(&m, "Text2"), "8");
  EXPECT_EQ(Text(&m, "Text13"), "-25");
  EXPECT_EQ(Text(&m, "Text3"), "-120");
}

TEST_F(DriveTestWindows, ColourButtonsStartFromTheirOwnColour) {
  map2 m;
  fake_.colours = {QColor(0, 0, 255), std::nullopt};
  Click(&m, "Command5");
  EXPECT_EQ(m.settings()->colour(1), 16711680u);
  Click(&m, "Command8");  // cancelled: unchanged
  EXPECT_EQ(m.settings()->colour(4), 65280u);
  ASSERT_EQ(fake_.colourInitials.size(), 2u);
  EXPECT_EQ(fake_.colourInitials[0], QColor(255, 255, 0));  // row 2 starts yellow
  EXPECT_EQ(fake_.colourInitials[1], QColor(0, 255, 0));    // row 5 is green
}

TEST_F(DriveTestWindows, TemplatesSavedInOneWindowLoadInTheOther) {
  Form2 f;
  map2 m;
  Get<QLineEdit>(&f, "Text2")->setText("0.4");
  Get<QLineEdit>(&f, "Text5")->setText("-93");
  f.settings()->setColour(4, 123456);
  fake_.inputAnswers = {QStringLiteral("电平")};
  Click(&f, "Command4");
  ASSERT_EQ(fake_.inputs.size(), 1u);
  EXPECT_EQ(fake_.inputs[0].text, QStringLiteral("请输入要保存设置的文件名，建议分类保存，如电平、质量 等 。"));
  EXPECT_EQ(fake_.inputs[0].detail, QStringLiteral("Default"));
  EXPECT_TRUE(fs::exists(save_ / "dt" / "电平.txt"));
  EXPECT_EQ(Get<QListWidget>(&f, "List1")->count(), 1);

  fake_.inputAnswers = {std::nullopt};  // cancelled: nothing written
  Click(&f, "Command4");
  EXPECT_EQ(tessaro::ListFiles((save_ / "dt").string(), ".txt").size(), 1u);

  auto* list = Get<QListWidget>(&m, "List1");
  EXPECT_EQ(list->count(), 0);  // listed after the next refresh
  m.RefreshTemplateList();
  ASSERT_EQ(list->count(), 1);
  list->item(0)->setSelected(true);
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(Text(&m, "Text2"), "0.4");
  EXPECT_EQ(Text(&m, "Text5"), "-93");
  EXPECT_EQ(Text(&m, "Text4"), "-93");
  EXPECT_EQ(m.settings()->colour(4), 123456u);
  EXPECT_EQ(m.params().size, "0.4");

  // A damaged file keeps the values and names the file.
  std::ofstream(save_ / "dt" / "坏.txt") << "8\r\n-1\r\n";
  m.RefreshTemplateList();
  for (int i = 0; i < list->count(); ++i) list->item(i)->setSelected(list->item(i)->text() == QStringLiteral("坏.txt"));
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(Text(&m, "Text2"), "0.4");
  ASSERT_FALSE(fake_.messages.empty());
  EXPECT_TRUE(fake_.messages.back().text.contains(QStringLiteral("坏.txt")));

  // Delete: No keeps, Yes deletes every selected entry and refreshes.
  list->selectAll();
  fake_.answers = {false, true};
  Click(&m, "Command10");
  EXPECT_EQ(list->count(), 2);
  ASSERT_EQ(fake_.questions.size(), 1u);
  EXPECT_EQ(fake_.questions[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(fake_.questions[0].text, QStringLiteral("您是否确定要删除所选择的设置模版？一旦删除，模版将永久丢失！"));
  list->selectAll();
  Click(&m, "Command10");
  EXPECT_EQ(list->count(), 0);
  EXPECT_TRUE(fs::is_empty(save_ / "dt"));
  list->clearSelection();
  Click(&m, "Command10");  // nothing selected: no question
  EXPECT_EQ(fake_.questions.size(), 2u);

  // A name leaving the folder, and an empty name, are refused with a message.
  fake_.inputAnswers = {QStringLiteral("../x"), QStringLiteral("")};
  const auto before = fake_.messages.size();
  Click(&f, "Command4");
  Click(&m, "Command4");
  ASSERT_EQ(fake_.messages.size(), before + 2);
  EXPECT_EQ(fake_.messages.back().text, QStringLiteral("模版名称不能为空"));
  EXPECT_FALSE(fs::exists(save_ / "x.txt"));
  EXPECT_FALSE(fs::exists(save_ / "dt" / ".txt"));
}

TEST_F(DriveTestWindows, IconListAndAMissingPreview) {
  // One real picture and one file that is no picture.
  {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString((save_ / "icon" / "a.png").string()), "PNG"));
    fs::rename(save_ / "icon" / "a.png", save_ / "icon" / "红点.gif");  // the preview reads by content
    std::ofstream(save_ / "icon" / "坏.gif") << "not a picture";
  }
  Form2 f;
  auto* combo7 = Get<QComboBox>(&f, "Combo7");
  QStringList names;
  for (int i = 0; i < combo7->count(); ++i) names << combo7->itemText(i);
  names.sort();
  EXPECT_EQ(names, (QStringList{QStringLiteral("坏"), QStringLiteral("红点")}));
  auto* image = Get<QLabel>(&f, "Image1");
  EXPECT_TRUE(image->pixmap().isNull());  // no "点图标.gif" here
  combo7->setCurrentIndex(combo7->findText(QStringLiteral("红点")));
  emit combo7->activated(combo7->currentIndex());
  EXPECT_FALSE(image->pixmap().isNull());
  combo7->setCurrentIndex(combo7->findText(QStringLiteral("坏")));
  emit combo7->activated(combo7->currentIndex());
  EXPECT_TRUE(image->pixmap().isNull());
  EXPECT_EQ(f.params().icon, "坏");
}

TEST_F(DriveTestWindows, MenuRefillsTheKmlListAndTheMifListIsFilledAtCreation) {
  fs::create_directories(save_ / "dt");
  std::ofstream(save_ / "dt" / "质量.txt") << "0.4\r\n-1\r\n-2\r\n-3\r\n-4\r\n-5\r\n-6\r\n 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n";
  MDIForm1 main;
  main.show();
  QWidget* form2 = main.child("Form2");
  EXPECT_EQ(Get<QListWidget>(main.child("map2"), "List1")->count(), 1);
  std::ofstream(save_ / "dt" / "电平.txt") << "8\r\n-1\r\n-2\r\n-3\r\n-4\r\n-5\r\n-6\r\n 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n";
  auto* item = main.findChild<QAction*>("dt");
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_TRUE(form2->isVisible());
  EXPECT_EQ(Get<QListWidget>(form2, "List1")->count(), 2);
  EXPECT_EQ(Get<QListWidget>(main.child("map2"), "List1")->count(), 1);  // not shown yet
  // Either window lists the templates saved by the other when it is shown.
  main.findChild<QAction*>("ml")->trigger();
  EXPECT_EQ(Get<QListWidget>(main.child("map2"), "List1")->count(), 2);
}
