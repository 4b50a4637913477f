// A few runs of the real Qt dialogs: Chinese standard buttons, the detail
// text of a failure message, the input box's default answer, questions that
// answer No to Enter, and paths that are never wrapped.
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QTest>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "widgets/Dialogs.h"
#include "app/Startup.h"

using namespace tessaro::ui;

namespace {

// Polls for the modal dialog every 10 ms, lets `act` inspect and close it,
// closes whatever is still modal afterwards, gives up after 5 s.
void WhenModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal && clock->elapsed() < 5000) return;
    timer->stop();
    if (modal) {
      act(modal);
      if (QWidget* still = QApplication::activeModalWidget()) still->close();
    }
    timer->deleteLater();
    delete clock;
  });
  timer->start(10);
}

}  // namespace

TEST(RealDialogs, ChineseButtonsAndDetail) {
  ASSERT_TRUE(SetUpApplication(*qApp)) << "qt6-translations-l10n is needed for Chinese buttons";
  EXPECT_TRUE(QApplication::font().families().contains("Noto Sans CJK SC"));
  QStringList buttons;
  QString detail, title;
  int width = 0, wanted = 0;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    width = box->width();
    wanted = box->fontMetrics().horizontalAdvance(title) + kTitleFrameAllowance;
    detail = box->detailedText();
    for (QAbstractButton* b : box->buttons()) buttons << b->text();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs().message(nullptr, QStringLiteral("友情提示！"), QStringLiteral("请正确设置信息！"), QStringLiteral("第 3 行"));
  EXPECT_EQ(title, QStringLiteral("友情提示！"));
  EXPECT_EQ(detail, QStringLiteral("第 3 行"));
  EXPECT_GE(width, wanted);  // wide enough that the frame shows the whole title
  EXPECT_TRUE(buttons.contains(QStringLiteral("确定"))) << buttons.join(",").toStdString();

  QStringList yesNo;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    width = box->width();
    yesNo << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
    box->button(QMessageBox::Yes)->click();
  });
  EXPECT_TRUE(dialogs().question(nullptr, QStringLiteral("友情提示！"), QStringLiteral("删除？")));
  EXPECT_GE(width, wanted);
  ASSERT_EQ(yesNo.size(), 2);  // "是(&Y)", "否(&N)": Chinese with their keyboard mnemonics
  EXPECT_TRUE(yesNo[0].startsWith(QStringLiteral("是"))) << yesNo[0].toStdString();
  EXPECT_TRUE(yesNo[1].startsWith(QStringLiteral("否"))) << yesNo[1].toStdString();

  QString initial;
  WhenModal([&](QWidget* w) {
    auto* input = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(input, nullptr);
    initial = input->textValue();
    input->accept();
  });
  auto answer = dialogs().input(nullptr, QStringLiteral("保存设置"), QStringLiteral("名称"), QStringLiteral("Default"));
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, "Default");
  EXPECT_EQ(initial, "Default");
}

// The completion message: the written paths under the text and a button that
// opens their folder.
TEST(RealDialogs, CompletionOffersTheFolder) {
  ASSERT_TRUE(SetUpApplication(*qApp));
  for (const bool press : {false, true}) {
    QString informative;
    bool hasFolderButton = false;
    WhenModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      informative = box->informativeText();
      for (QAbstractButton* b : box->buttons()) {
        if (b->text() != QStringLiteral("打开所在文件夹")) continue;
        hasFolderButton = true;
        if (press) b->click();
      }
      if (!press) box->button(QMessageBox::Ok)->click();
    });
    const bool chosen = dialogs().completion(nullptr, QStringLiteral("友情提示！"), QStringLiteral("MIF文件已生成！"),
                                             {QStringLiteral("/data/a.mif"), QStringLiteral("/data/a.mid")});
    EXPECT_TRUE(hasFolderButton);
    EXPECT_TRUE(informative.contains(QStringLiteral("/data/a.mif<br>/data/a.mid"))) << informative.toStdString();
    EXPECT_EQ(chosen, press);
  }
}

// Every question answers No to Enter and to Escape; the one before replacing
// files names them under its text.
TEST(RealDialogs, QuestionsDefaultToNo) {
  ASSERT_TRUE(SetUpApplication(*qApp));
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    QString informative;
    bool noIsDefault = false;
    WhenModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      informative = box->informativeText();
      noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
      QTest::keyClick(box, key);
    });
    EXPECT_FALSE(dialogs().confirmReplace(nullptr, QStringLiteral("友情提示"), QStringLiteral("文件已存在，是否覆盖？"),
                                          {QStringLiteral("/data/a.mif"), QStringLiteral("/data/a.mid")}));
    EXPECT_TRUE(noIsDefault);
    EXPECT_TRUE(informative.contains(QStringLiteral("/data/a.mif<br>/data/a.mid"))) << informative.toStdString();
  }
  WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
  EXPECT_FALSE(dialogs().question(nullptr, QStringLiteral("友情提示！"), QStringLiteral("删除？")));
}

// A failure: the sentence, its reason under it in the box, the whole text
// behind the details button.
TEST(RealDialogs, FailureShowsTheReasonInTheBox) {
  ASSERT_TRUE(SetUpApplication(*qApp));
  QString text, informative, detail;
  int room = 0, needed = 0;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    text = box->text();
    informative = box->informativeText();
    detail = box->detailedText();
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    room = label->contentsRect().width();
    needed = label->fontMetrics().horizontalAdvance(informative);
    box->button(QMessageBox::Ok)->click();
  });
  dialogs().failure(nullptr, QStringLiteral("友情提示！"), QStringLiteral("请正确设置信息！"),
                    QStringLiteral("无法创建文件 /x/a.kml：没有那个文件或目录"),
                    QStringLiteral("无法创建文件 /x/a.kml：没有那个文件或目录\n已跳过 1 行"));
  EXPECT_EQ(text, QStringLiteral("请正确设置信息！"));
  EXPECT_EQ(informative, QStringLiteral("无法创建文件 /x/a.kml：没有那个文件或目录"));
  EXPECT_EQ(detail, QStringLiteral("无法创建文件 /x/a.kml：没有那个文件或目录\n已跳过 1 行"));
  EXPECT_GE(room, needed);  // the reason on one line
}

// A path as long as a deep folder tree shows whole on one line; one longer
// than any screen is cut in its middle, keeping its start and its file name.
TEST(RealDialogs, CompletionPathsAreNeverWrapped) {
  ASSERT_TRUE(SetUpApplication(*qApp));
  const QString deep = QStringLiteral("/home/user/工作/2024年/路测数据/第三季度/汇总/") + QString(40, 'd') +
                       QStringLiteral("/cells_小区.kml");
  const QString endless = QStringLiteral("/data/") + QString(3000, 'x') + QStringLiteral("/cells_小区.kml");
  QString shown;
  int widest = 0, labelWidth = 0;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    QTextDocument doc;
    doc.setHtml(label->text());
    shown = doc.toPlainText();
    for (const QString& line : shown.split('\n'))
      widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
    labelWidth = label->contentsRect().width();
    box->button(QMessageBox::Ok)->click();
  });
  dialogs().completion(nullptr, QStringLiteral("友情提示！"), QStringLiteral("Kml文件已生成！"), {deep, endless});
  const QStringList lines = shown.split('\n');
  ASSERT_EQ(lines.size(), 2) << shown.toStdString();
  EXPECT_EQ(lines[0], deep);
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("/data/xx"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral("/cells_小区.kml"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QChar(0x2026)));
  EXPECT_LE(widest, labelWidth);  // each on one line of the box
}
