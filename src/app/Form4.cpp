#include "app/Form4.h"

#include <QFile>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "widgets/Dialogs.h"

// The help page is compiled into the static GUI library; register it before
// the first use so the linker keeps it.
static void InitHelpResource() { Q_INIT_RESOURCE(help); }

namespace tessaro::ui {

Form4::Form4(QWidget* parent) : Form4(HelpPage(), parent) {}

Form4::Form4(const QString& helpPage, QWidget* parent) : QWidget(parent) {
  InitHelpResource();
  setObjectName("Form4");
  setWindowTitle(QStringLiteral("注意事项"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  help_ = new QTextBrowser(this);
  help_->setObjectName("Help");
  help_->setOpenExternalLinks(false);
  layout->addWidget(help_);
  load(helpPage);
}

void Form4::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (shownOnce_) return;  // later shows keep the reader's place
  shownOnce_ = true;
  // The page was laid out while the window was still small; start at its top.
  QTimer::singleShot(0, this, [this] { help_->verticalScrollBar()->setValue(0); });
}

QString Form4::HelpPage() { return QStringLiteral(":/help/help.html"); }

void Form4::load(const QString& helpPage) {
  QFile page(helpPage);
  if (page.open(QIODevice::ReadOnly)) {
    help_->setHtml(QString::fromUtf8(page.readAll()));
    loaded_ = true;
    return;
  }
  // Without its page the window stays empty; say so once, after the frame
  // has appeared.
  QTimer::singleShot(0, this, [this] {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("无法调取帮助界面，因为帮助页面已丢失！"));
  });
}

QString Form4::ContactText() {
  // What the program is and how to report a fault: no address of our own is
  // published, so the report goes to whoever provided the program.
  const QString contact =
      QStringLiteral("Tessaro %1：把 Excel 基站表、路测数据和测试点表转换成 Google Earth（KML）和 MapInfo（MIF/MID）图层。"
                     "报告问题时，请点击出错提示框中的“显示详情...”，复制其中的全部文字，连同操作步骤和能重现问题的工作簿"
                     "（可删去敏感数据），交给向您提供本程序的人员。")
          .arg(QStringLiteral(TESSARO_VERSION));
  const QString rights = QStringLiteral(
      "版权所有 © 2024-2026 Tessaro 维护者，保留所有权利；本软件免费使用，许可条款见 /usr/share/doc/tessaro/copyright。");
  const QString disclaimer = QStringLiteral(
      "本软件为免费软件，不提供任何形式的担保。"
      "使用本软件所产生的一切后果由使用者自行承担。"
      "使用本软件即表示您已接受上述条款。");
  return contact + QChar(10) + rights + QChar(10) + QString(81, QChar('-')) + QChar(10) + disclaimer;
}

}  // namespace tessaro::ui
