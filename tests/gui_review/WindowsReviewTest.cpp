// Every layer window driven the way a user drives it: open the sample
// workbook, pick the sheet, press the generate button; the completion message
// follows and the file written is one the map programs' own readers accept.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "gui_shell/FakeDialogs.h"
#include "shell/MDIForm1.h"
#include "shell/Worker.h"
#include "source/Provider.h"

using namespace tessaro::ui;

namespace {

QPushButton* ButtonStarting(QWidget* w, const QString& prefix) {
  for (QPushButton* b : w->findChildren<QPushButton*>())
    if (b->text().startsWith(prefix)) return b;
  return nullptr;
}

// Picks `sheet` in the first list holding it, the way a click does.
void PickSheet(QWidget* w, const QString& sheet, int skip = 0) {
  for (QComboBox* c : w->findChildren<QComboBox*>()) {
    const int at = c->findText(sheet);
    if (at < 0) continue;
    if (skip-- > 0) continue;
    c->setCurrentIndex(at);
    emit c->activated(at);
    return;
  }
  ADD_FAILURE() << "no list holds " << sheet.toStdString();
}

// Saves what the main window shows when TESSARO_REVIEW_SHOTS names a folder.
void Shot(MDIForm1& main, const QString& name) {
  const QString dir = qEnvironmentVariable("TESSARO_REVIEW_SHOTS");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  main.grab().save(dir + "/" + name + ".png");
}

// Runs a checker program; true when it accepts the file.
bool Accepted(const QString& program, const QStringList& args, QString* output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  if (!p.waitForFinished(60000)) return false;
  *output = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct Case {
  const char* window;
  const char* sheet;
  const char* second;  // the fly-line windows' measurement sheet
  const char* done;    // completion message
  const char* suffix;  // the file the proposed name leads to
};

}  // namespace

TEST(WindowsReview, EveryWindowGeneratesFromTheSampleWorkbook) {
  const QString sample = QStringLiteral(TESSARO_SOURCE_DIR) + "/data/sample.xlsx";
  try {
    tessaro::ListSheetNames(sample.toStdString());
  } catch (const std::exception&) {
    GTEST_SKIP() << "no workbook provider in this build";
  }
  QTemporaryDir dir;
  const QString book = dir.filePath("sample.xlsx");
  ASSERT_TRUE(QFile::copy(sample, book));

  const Case cases[] = {
      {"Form1", "小区", nullptr, "Kml文件已生成！", "sample_小区.kml"},
      {"Form2", "路测", nullptr, nullptr, "sample_路测.kml"},
      {"Form3", "小区", "路测", "Kml文件已生成！", ".kml"},
      {"Form5", "地标", nullptr, nullptr, "sample_地标.kml"},
      {"map", "小区", nullptr, nullptr, "sample_小区.mif"},
      {"map2", "路测", nullptr, nullptr, "sample_路测.mif"},
      {"map3", "小区", "路测", nullptr, ".mif"},
  };
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window);
    main.showChild(c.window);
    QWidget* w = main.child(c.window);
    ASSERT_NE(w, nullptr);
    Shot(main, QString("%1-empty").arg(c.window));
    fake.files.push_back({book});
    QPushButton* open = ButtonStarting(w, QStringLiteral("打开文件"));
    ASSERT_NE(open, nullptr);
    open->click();
    PickSheet(w, QString::fromUtf8(c.sheet));
    if (c.second) PickSheet(w, QString::fromUtf8(c.second), 1);
    // The landmark window's data column is the user's own choice.
    if (QString(c.window) == "Form5") {
      auto* data = w->findChild<QComboBox*>("Combo4");
      ASSERT_NE(data, nullptr);
      data->setCurrentIndex(data->findText(QStringLiteral("类型")));
      emit data->activated(data->currentIndex());
    }
    Shot(main, QString("%1-loaded").arg(c.window));
    QPushButton* gen = ButtonStarting(w, QStringLiteral("生成"));
    ASSERT_NE(gen, nullptr);
    const size_t before = fake.shown.size();
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);
    gen->click();
    WaitForJobs();
    QApplication::processEvents();
    Shot(main, QString("%1-done").arg(c.window));
    ASSERT_GT(fake.shown.size(), before);
    const Shown& last = fake.shown.back();
    EXPECT_EQ(last.kind, "message");
    EXPECT_TRUE(last.text.endsWith(QStringLiteral("已生成！"))) << last.text.toStdString() << " / "
                                                               << last.detail.toStdString();
    if (c.done) {
      EXPECT_EQ(last.text, QString::fromUtf8(c.done));
    }
    // The progress bar ends full.
    for (QProgressBar* bar : w->findChildren<QProgressBar*>()) EXPECT_EQ(bar->value(), bar->maximum());

    QStringList written;
    for (const QString& f : QDir(dir.path()).entryList(QDir::Files))
      if (!filesBefore.contains(f) || f.endsWith(QString::fromUtf8(c.suffix))) written << f;
    QString layer;
    for (const QString& f : written)
      if (f.endsWith(QString::fromUtf8(c.suffix))) layer = dir.filePath(f);
    ASSERT_FALSE(layer.isEmpty()) << written.join(",").toStdString();
    QString out;
    if (layer.endsWith(".kml")) {
      EXPECT_TRUE(Accepted("xmllint", {"--noout", layer}, &out)) << out.toStdString();
    }
    if (QFile::exists("/usr/bin/ogrinfo")) {
      EXPECT_TRUE(Accepted("/usr/bin/ogrinfo", {"-ro", "-al", "-q", layer}, &out)) << out.toStdString();
    }
    QFile::remove(layer);
  }
  // Back to every window through its menu entry: each still holds its workbook.
  const std::pair<const char*, const char*> entries[] = {{"bts", "Form1"}, {"dt", "Form2"}, {"gaoji", "Form3"},
                                                         {"dibiao", "Form5"}, {"ms", "map"}, {"ml", "map2"},
                                                         {"fx", "map3"}};
  for (const auto& [entry, window] : entries) {
    SCOPED_TRACE(window);
    auto* action = main.findChild<QAction*>(entry);
    ASSERT_NE(action, nullptr);
    action->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(main.subWindow(window)->isVisible());
    EXPECT_EQ(main.controlText(window, "Text1"), book);
  }
}

// Boxes narrower than their text show its start, not its tail, whether the
// text is a design text, a detected column or a column picked from the list.
TEST(WindowsReview, NarrowBoxesShowTheStartOfTheirText) {
  const QString sample = QStringLiteral(TESSARO_SOURCE_DIR) + "/data/sample.xlsx";
  try {
    tessaro::ListSheetNames(sample.toStdString());
  } catch (const std::exception&) {
    GTEST_SKIP() << "no workbook provider in this build";
  }
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  for (const char* name : {"Form2", "map2"}) {
    SCOPED_TRACE(name);
    main.showChild(name);
    QWidget* w = main.child(name);
    QApplication::processEvents();
    auto* text6 = w->findChild<QLineEdit*>("Text6");
    ASSERT_NE(text6, nullptr);
    EXPECT_GT(text6->fontMetrics().horizontalAdvance(text6->text()), text6->width() - 8);
    EXPECT_EQ(text6->cursorPosition(), 0);

    fake.files.push_back({sample});
    ButtonStarting(w, QStringLiteral("打开文件"))->click();
    PickSheet(w, QStringLiteral("路测"));
    auto* data = w->findChild<QComboBox*>("Combo4");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->currentText(), QStringLiteral("RX LevSub(dBm)"));  // detected
    EXPECT_EQ(data->lineEdit()->cursorPosition(), 0);
    data->setCurrentIndex(data->findText(QStringLiteral("时间")));
    data->setCurrentIndex(data->findText(QStringLiteral("RX LevSub(dBm)")));  // picked
    EXPECT_EQ(data->lineEdit()->cursorPosition(), 0);
  }
}

// Every window keeps all of its controls inside the main window when a window
// manager's title bar and border take their share of the 600 x 360 pixels
// (598 x 339 client area with a 20-pixel title bar and 1-pixel borders).
TEST(WindowsReview, EveryWindowFitsBelowAWindowManagersTitleBar) {
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  QApplication::processEvents();
  main.setFixedSize(598, 339);
  QApplication::processEvents();
  QApplication::processEvents();
  const QRect area(QPoint(0, 0), main.area()->viewport()->size());
  for (const char* name : {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3", "Form4"}) {
    SCOPED_TRACE(name);
    main.showChild(name);
    QApplication::processEvents();
    QWidget* w = main.child(name);
    QMdiSubWindow* sub = main.subWindow(name);
    EXPECT_TRUE(area.contains(sub->geometry()));
    // The part of the sub-window its frame leaves to the window's controls.
    const QRect room = sub->contentsRect();
    EXPECT_LE(w->minimumHeight(), room.height());
    for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (!c->isVisible()) continue;
      const QRect r(c->mapTo(sub, QPoint(0, 0)), c->size());
      EXPECT_TRUE(room.contains(r)) << c->objectName().toStdString() << " bottom " << r.bottom() << " of "
                                    << room.bottom();
    }
  }
}
