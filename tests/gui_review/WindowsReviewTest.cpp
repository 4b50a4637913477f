// Every layer window driven the way a user drives it: open the sample
// workbook, pick the sheet, press the generate button; the completion message
// follows and the file written is one the map programs' own readers accept.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "gui_shell/FakeDialogs.h"
#include "app/MDIForm1.h"
#include "widgets/Worker.h"
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

const char* const kLayerWindows[] = {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3"};

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
    EXPECT_EQ(main.child(window)->findChild<QLineEdit*>("Text1")->text(), book);
  }
}

// The output box shows its design text whole; a list narrower than its text
// shows its start, not its tail, whether the text is a detected column or a
// column picked from the list.
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
    EXPECT_LE(text6->fontMetrics().horizontalAdvance(text6->text()), text6->width() - 8);
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

// Every window before any workbook: generate says so instead of taking the
// design text as a path. Then a workbook that cannot be read is reported
// when it is opened and leaves nothing of the one opened before.
TEST(WindowsReview, OpenErrorsAndGenerateBeforeAnyWorkbook) {
  const QString sample = QStringLiteral(TESSARO_SOURCE_DIR) + "/data/sample.xlsx";
  QTemporaryDir dir;
  const QString bad = dir.filePath("bad.xlsx");
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("PK\x03\x04", 4) + "a damaged zip");  // a workbook's signature, then nothing of one
  }
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  for (const char* name : kLayerWindows) {
    SCOPED_TRACE(name);
    main.showChild(name);
    QWidget* w = main.child(name);
    fake.shown.clear();
    ButtonStarting(w, QStringLiteral("生成"))->click();
    ASSERT_EQ(fake.shown.size(), 1u);
    EXPECT_EQ(fake.shown[0].title, QStringLiteral("友情提示"));
    EXPECT_EQ(fake.shown[0].text, QStringLiteral("请先打开Excel文件"));
    EXPECT_FALSE(IsRunning(w));

    fake.files.push_back({sample});
    ButtonStarting(w, QStringLiteral("打开文件"))->click();
    auto* text6 = w->findChild<QLineEdit*>("Text6");
    EXPECT_TRUE(text6->text().startsWith("sample_")) << text6->text().toStdString();
    fake.shown.clear();
    fake.files.push_back({bad});
    ButtonStarting(w, QStringLiteral("打开文件"))->click();
    ASSERT_EQ(fake.shown.size(), 2u) << fake.shown.back().text.toStdString();
    EXPECT_EQ(fake.shown[0].kind, "open");
    fake.shown.erase(fake.shown.begin());
    EXPECT_EQ(fake.shown[0].title, QStringLiteral("友情提示"));
    EXPECT_TRUE(fake.shown[0].text.startsWith(QStringLiteral("无法读取“bad.xlsx”："))) << fake.shown[0].text.toStdString();
    EXPECT_GT(fake.shown[0].text.size(), QStringLiteral("无法读取“bad.xlsx”：").size());  // with the reason
    EXPECT_EQ(text6->text(), QString());
    for (QComboBox* list : w->findChildren<QComboBox*>()) {
      // Every sheet and column list is empty; the operator list and the icon lists are the window's own.
      const QString n = list->objectName();
      if (n == "Combo9" && QString(name).contains('3')) continue;
      if ((n == "Combo7" && QString(name) == "Form2") || n.startsWith("Combo7_") ||
          (QString(name) == "Form5" && (n == "Combo8" || n == "Combo9" || n == "Combo10")))
        continue;
      EXPECT_EQ(list->count(), 0) << n.toStdString();
      EXPECT_EQ(list->currentText(), QString()) << n.toStdString();
    }
  }
}

// Tab walks the boxes and lists of every window and reaches its generate
// button; the "<" and ">" step buttons are no stops.
TEST(WindowsReview, TabReachesTheGenerateButtonPastNoStepButton) {
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  for (const char* name : kLayerWindows) {
    SCOPED_TRACE(name);
    main.showChild(name);
    QApplication::processEvents();
    QWidget* w = main.child(name);
    QWidget* start = w->findChild<QLineEdit*>("Text1");
    ASSERT_NE(start, nullptr);
    QStringList walked;
    bool reached = false;
    QWidget* at = start;
    for (int i = 0; i < 200; ++i) {
      at = at->nextInFocusChain();
      if (at == start) break;
      if (!(at->focusPolicy() & Qt::TabFocus) || !at->isVisibleTo(w) || !w->isAncestorOf(at)) continue;
      if (qobject_cast<QPushButton*>(at)) walked << static_cast<QPushButton*>(at)->text();
      if (at == ButtonStarting(w, QStringLiteral("生成"))) reached = true;
    }
    EXPECT_TRUE(reached);
    EXPECT_FALSE(walked.contains("<")) << walked.join(' ').toStdString();
    EXPECT_FALSE(walked.contains(">")) << walked.join(' ').toStdString();
  }
}

// No window cuts a caption, a design text or the usual data column's name,
// with a window manager's title bar taking its share of the frame.
TEST(WindowsReview, NoTextIsClipped) {
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  QApplication::processEvents();
  main.setFixedSize(598, 339);
  QApplication::processEvents();
  for (const char* name : kLayerWindows) {
    SCOPED_TRACE(name);
    main.showChild(name);
    QApplication::processEvents();
    QWidget* w = main.child(name);
    for (QLineEdit* box : w->findChildren<QLineEdit*>()) {
      if (!box->isVisible() || box->text().isEmpty()) continue;
      EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), box->width() - 6)
          << box->objectName().toStdString() << " " << box->text().toStdString();
    }
    for (QLabel* label : w->findChildren<QLabel*>()) {
      if (!label->isVisible() || label->text().isEmpty()) continue;
      EXPECT_GE(label->width(), label->minimumSizeHint().width()) << label->text().toStdString();
    }
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
      if (!b->isVisible() || b->text().isEmpty()) continue;
      EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
    }
    if (auto* data = w->findChild<QComboBox*>("Combo4"); data && QString(name).endsWith('2')) {
      data->setEditText(QStringLiteral("RX LevSub(dBm)"));  // the usual data column's header
      EXPECT_LE(data->fontMetrics().horizontalAdvance(data->currentText()), data->lineEdit()->width() - 2);
    }
  }
}

// Every field a user fills is named for screen readers, and a field with a
// caption beside it is that caption's buddy and named after it.
TEST(WindowsReview, EveryFieldIsNamedAfterItsLabel) {
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  for (const char* name : kLayerWindows) {
    SCOPED_TRACE(name);
    main.showChild(name);
    QWidget* w = main.child(name);
    QList<QWidget*> fields;
    for (QWidget* f : w->findChildren<QWidget*>()) {
      const bool field = qobject_cast<QComboBox*>(f) || qobject_cast<QAbstractItemView*>(f) ||
                         qobject_cast<QPlainTextEdit*>(f) ||
                         (qobject_cast<QLineEdit*>(f) && !qobject_cast<QComboBox*>(f->parentWidget()));
      if (field && f->isVisibleTo(w)) fields << f;
    }
    EXPECT_GT(fields.size(), 5);
    for (QWidget* f : fields) EXPECT_FALSE(f->accessibleName().isEmpty()) << f->objectName().toStdString();
  }
  // Captions and the fields they name, in windows of every kind.
  const struct {
    const char* window;
    const char* caption;
    const char* field;
  } labelled[] = {{"Form1", "扇区透明度：", "Text2"}, {"Form1", "基站名：", "Combo1"}, {"map", "边框粗细：", "Text2"},
                  {"Form2", "图标比例：", "Text2"},    {"map3", "小区 CI：", "Combo1"},   {"Form5", "经度：", "Combo2"}};
  for (const auto& l : labelled) {
    SCOPED_TRACE(l.caption);
    QWidget* w = main.child(l.window);
    QLabel* label = nullptr;
    for (QLabel* c : w->findChildren<QLabel*>())
      if (c->text() == QString::fromUtf8(l.caption)) label = c;
    ASSERT_NE(label, nullptr);
    ASSERT_NE(label->buddy(), nullptr);
    EXPECT_EQ(label->buddy()->objectName(), QString::fromUtf8(l.field));
    EXPECT_EQ(label->buddy()->accessibleName(), QString::fromUtf8(l.caption).chopped(1));
    // What a screen reader is told: the field is labelled by the caption.
    bool labelledBy = false;
    for (const auto& [other, relation] :
         QAccessible::queryAccessibleInterface(label->buddy())->relations(QAccessible::Label))
      labelledBy = labelledBy || other->object() == label;
    EXPECT_TRUE(labelledBy);
  }
}

// The workbook box is filled by the open-file dialog only: read-only, the
// design's instruction as its placeholder, and Enter or a double click in it
// opens the dialog as "打开文件" does.
TEST(WindowsReview, TheWorkbookBoxOpensTheFileDialog) {
  FakeDialogs fake;
  MDIForm1 main;
  main.show();
  for (const char* name : kLayerWindows) {
    SCOPED_TRACE(name);
    main.showChild(name);
    auto* text1 = main.child(name)->findChild<QLineEdit*>("Text1");
    ASSERT_NE(text1, nullptr);
    EXPECT_TRUE(text1->isReadOnly());
    EXPECT_TRUE(text1->text().isEmpty());
    EXPECT_TRUE(text1->placeholderText().startsWith(QStringLiteral("打开需要转换成")));
    fake.shown.clear();
    QTest::keyClick(text1, Qt::Key_Return);
    QTest::mouseDClick(text1, Qt::LeftButton);
    ASSERT_EQ(fake.shown.size(), 2u);
    EXPECT_EQ(fake.shown[0].kind, "open");
    EXPECT_EQ(fake.shown[1].kind, "open");
    EXPECT_TRUE(text1->text().isEmpty());  // both cancelled: nothing changes
  }
}
