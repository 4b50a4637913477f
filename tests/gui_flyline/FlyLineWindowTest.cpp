// The two fly-line windows on the offscreen platform, through scripted dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "kml/ui/Form3.h"
#include "mif/ui/map3.h"
#include "gui_shell/FakeDialogs.h"
#include "widgets/Dialogs.h"
#include "app/MDIForm1.h"
#include "widgets/Worker.h"

using namespace tessaro::ui;

namespace {

// The message boxes shown so far.
std::vector<Shown> Messages(const FakeDialogs& fake) {
  std::vector<Shown> out;
  for (const Shown& s : fake.shown)
    if (s.kind == "message") out.push_back(s);
  return out;
}

struct Variant {
  bool kml;
  std::unique_ptr<FlyLineWindow> make() const {
    if (kml) return std::make_unique<Form3>();
    return std::make_unique<map3>();
  }
};

class FlyLineWindows : public ::testing::TestWithParam<Variant> {
 protected:
  void SetUp() override { window = GetParam().make(); }
  template <class T>
  T* get(const char* name) {
    T* w = window->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString text(const char* name) { return get<QLineEdit>(name)->text(); }
  FakeDialogs fake;
  std::unique_ptr<FlyLineWindow> window;
};

}  // namespace

TEST_P(FlyLineWindows, ControlsCarryTheirDesignTexts) {
  const bool kml = GetParam().kml;
  EXPECT_EQ(window->objectName(), kml ? "Form3" : "map3");
  EXPECT_EQ(get<QLineEdit>("Text1")->placeholderText(), kml ? QStringLiteral("打开需要转换成Kml的Excel文件！") : QStringLiteral("打开需要转换成MIF的Excel文件！"));
  EXPECT_EQ(text("Text6"), kml ? QStringLiteral("可自定义要保存的Kml文件名") : QStringLiteral("可自定义要保存的MIF文件名"));
  EXPECT_EQ(get<QPlainTextEdit>("Text2")->toPlainText(), "");
  EXPECT_EQ(text("Text3"), "");
  EXPECT_EQ(get<QPushButton>("Command2")->text(), QStringLiteral("打开文件"));
  EXPECT_EQ(get<QPushButton>("Command1")->text(), QStringLiteral("<<添加"));
  EXPECT_EQ(get<QPushButton>("Command4")->text(), QStringLiteral("<<清空"));
  EXPECT_EQ(get<QPushButton>("Command3")->text(), kml ? QStringLiteral("生成 Kml") : QStringLiteral("生成 MIF"));
  EXPECT_EQ(get<QCheckBox>("Check1")->text(), QStringLiteral("勾选后开启条件筛选"));
  EXPECT_FALSE(get<QCheckBox>("Check1")->isChecked());
  EXPECT_NE(get<QProgressBar>("Pro1"), nullptr);
  EXPECT_EQ(get<QComboBox>("Combo7")->currentText(), QStringLiteral("选择Excel表"));
  EXPECT_EQ(get<QComboBox>("Combo10")->currentText(), QStringLiteral("选择Excel表"));
  EXPECT_EQ(get<QComboBox>("Combo8")->currentText(), QStringLiteral("条件字段"));
  QComboBox* ops = get<QComboBox>("Combo9");
  EXPECT_EQ(ops->currentText(), QStringLiteral("条件符号"));
  QStringList items;
  for (int i = 0; i < ops->count(); ++i) items << ops->itemText(i);
  EXPECT_EQ(items, (QStringList{">", ">=", "<", "<=", "=", "<>"}));
  for (const char* c : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo11"})
    EXPECT_EQ(get<QComboBox>(c)->currentText(), "") << c;
  QStringList titles, labels;
  for (auto* g : window->findChildren<QGroupBox*>()) titles << g->title();
  for (auto* l : window->findChildren<QLabel*>()) labels << l->text();
  for (const char* t : {"文件目录", "基站信息", "路测信息", "条件设置"}) EXPECT_TRUE(titles.contains(QString::fromUtf8(t))) << t;
  for (const char* t : {"数据源表：", "小区 CI：", "小区经度：", "小区纬度：", "方位角：", "点 经度：", "点 纬度：", "接收 CI：", "条件字段："})
    EXPECT_TRUE(labels.contains(QString::fromUtf8(t))) << t;
  EXPECT_TRUE(labels.contains(kml ? QStringLiteral("Kml文件名：") : QStringLiteral("MIF文件名：")));
  // Everything lies inside the child area of the 600 x 360 main window.
  for (auto* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    EXPECT_LE(w->geometry().right(), 590) << w->objectName().toStdString();
    EXPECT_LE(w->geometry().bottom(), 300) << w->objectName().toStdString();
  }
}

TEST_P(FlyLineWindows, ConditionEditor) {
  // Before any workbook both lists show their design texts: refused.
  get<QPushButton>("Command1")->click();
  ASSERT_EQ(Messages(fake).size(), 1u);
  EXPECT_EQ(Messages(fake)[0].title, QStringLiteral("友情提示！"));
  EXPECT_EQ(Messages(fake)[0].text, QStringLiteral("请正确设置条件！"));
  EXPECT_EQ(get<QPlainTextEdit>("Text2")->toPlainText(), "");

  get<QComboBox>("Combo8")->setEditText("RxLev");
  get<QComboBox>("Combo9")->setCurrentIndex(1);
  get<QLineEdit>("Text3")->setText("-85abc");
  get<QPushButton>("Command1")->click();
  EXPECT_EQ(get<QPlainTextEdit>("Text2")->toPlainText(), "b.[RxLev]>=-85");
  get<QComboBox>("Combo8")->setEditText("SINR");
  get<QComboBox>("Combo9")->setCurrentIndex(2);
  get<QLineEdit>("Text3")->setText("");
  get<QPushButton>("Command1")->click();
  EXPECT_EQ(get<QPlainTextEdit>("Text2")->toPlainText(), "b.[RxLev]>=-85 and b.[SINR]<0");
  EXPECT_EQ(Messages(fake).size(), 1u);
  get<QPushButton>("Command4")->click();
  EXPECT_EQ(get<QPlainTextEdit>("Text2")->toPlainText(), "");
}

TEST_P(FlyLineWindows, ProposedNameFollowsTheDriveTestSheet) {
  QTemporaryDir dir;
  const QString book = dir.filePath("a.xls");
  QFile f(book);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  fake.files.push_back({book});
  get<QPushButton>("Command2")->click();
  EXPECT_EQ(window->fileName(), "a.xls");
  EXPECT_EQ(text("Text1"), QFileInfo(book).absoluteFilePath());
  // The sheet lists as the workbook would fill them.
  for (const char* c : {"Combo10", "Combo7"}) {
    get<QComboBox>(c)->clear();
    get<QComboBox>(c)->addItems({"Cells", "S1"});
  }
  get<QComboBox>("Combo10")->setCurrentIndex(1);
  window->choosePointSheet();
  const QString expected = GetParam().kml ? QStringLiteral("a_S1飞线图.kml") : QStringLiteral("a_S1飞线图");
  EXPECT_EQ(text("Text6"), expected);
  get<QComboBox>("Combo7")->setCurrentIndex(0);
  window->chooseCellSheet();
  EXPECT_EQ(text("Text6"), expected);
  EXPECT_EQ(window->inputs().cellSheet, "Cells");
  EXPECT_EQ(window->inputs().pointSheet, "S1");
}

TEST_P(FlyLineWindows, AFailedGenerationReportsTheReasonAndWritesNothing) {
  QTemporaryDir dir;
  get<QLineEdit>("Text1")->setText(dir.filePath("missing.xlsx"));
  get<QLineEdit>("Text6")->setText(dir.filePath("out"));
  get<QPushButton>("Command3")->click();
  WaitForJobs();
  const std::vector<Shown> shown = Messages(fake);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, QStringLiteral("友情提示"));
  EXPECT_EQ(shown[0].text, GetParam().kml ? QStringLiteral("程序出错，请检查是否正确配置数据")
                                                  : QStringLiteral("程序出错，请检查是否正确配置数据或源数据存在空值"));
  EXPECT_FALSE(shown[0].detail.isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
  EXPECT_TRUE(get<QPushButton>("Command3")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(KmlAndMif, FlyLineWindows, ::testing::Values(Variant{true}, Variant{false}),
                         [](const auto& info) { return info.param.kml ? std::string("Form3") : std::string("map3"); });

TEST(FlyLineMenu, BothWindowsOpenFromTheMainWindow) {
  FakeDialogs fake;
  {
    MDIForm1 main;
    main.findChild<QAction*>("gaoji")->trigger();
    EXPECT_TRUE(main.subWindow("Form3")->isVisible() || !main.isVisible());
    EXPECT_NE(qobject_cast<Form3*>(main.child("Form3")), nullptr);
    main.findChild<QAction*>("fx")->trigger();
    EXPECT_NE(qobject_cast<map3*>(main.child("map3")), nullptr);
    EXPECT_TRUE(main.subWindow("Form3")->isHidden());
    // Screenshots: TESSARO_SHOW_SECONDS keeps the window up on a real display.
    if (qEnvironmentVariableIsSet("TESSARO_SHOW_SECONDS")) {
      main.show();
      const QString which = qEnvironmentVariable("TESSARO_SHOW_WINDOW", "Form3");
      main.findChild<QAction*>(which == "map3" ? "fx" : "gaoji")->trigger();
      if (qEnvironmentVariableIsSet("TESSARO_SHOW_BOOK")) {
        auto* w = static_cast<FlyLineWindow*>(main.child(which));
        fake.files.push_back({qEnvironmentVariable("TESSARO_SHOW_BOOK")});
        w->open();
        auto* cells = w->findChild<QComboBox*>("Combo7");
        cells->setCurrentIndex(cells->count() - 1);
        w->chooseCellSheet();
      }
      QElapsedTimer t;
      t.start();
      while (t.elapsed() < 1000 * qEnvironmentVariableIntValue("TESSARO_SHOW_SECONDS")) {
        QApplication::processEvents();
        QThread::msleep(20);
      }
    }
  }
}
