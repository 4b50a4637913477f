// A few runs of the real Qt dialogs: Chinese standard buttons, the detail
// text of a failure message, the input box's default answer.
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
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
    EXPECT_EQ(informative, QStringLiteral("/data/a.mif\n/data/a.mid"));
    EXPECT_EQ(chosen, press);
  }
}
