// A whole generation through each window from a real workbook, compared byte
// for byte with tessaro-cli. Skipped while no workbook provider is built in.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "common/RandomColour.h"
#include "geodesy/DestinationPoint.h"
#include "app/MDIForm1.h"
#include "kml/ui/Form3.h"
#include "mif/ui/map3.h"
#include "gui_shell/FakeDialogs.h"
#include "widgets/Dialogs.h"
#include "widgets/Worker.h"
#include "source/Provider.h"

using namespace tessaro::ui;

namespace {

// Title, text and detail of the message boxes shown so far.
QStringList Shown_(const FakeDialogs& fake, QString Shown::*field) {
  QStringList out;
  for (const Shown& s : fake.shown)
    if (s.kind == "message") out << s.*field;
  return out;
}
QStringList Texts(const FakeDialogs& f) { return Shown_(f, &Shown::text); }
QStringList Titles(const FakeDialogs& f) { return Shown_(f, &Shown::title); }
QStringList Details(const FakeDialogs& f) { return Shown_(f, &Shown::detail); }

QByteArray Read(const QString& p) {
  QFile f(p);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

// Opens the workbook, picks the cell sheet, sets a condition and generates.
void Generate(FlyLineWindow& w, FakeDialogs& fake, const QString& book, const QString& out) {
  fake.files.push_back({book});
  w.open();
  auto* cells = w.findChild<QComboBox*>("Combo7");
  cells->setCurrentIndex(cells->findText("Cells"));
  w.chooseCellSheet();
  w.findChild<QComboBox*>("Combo8")->setEditText("RxLev");
  w.findChild<QComboBox*>("Combo9")->setCurrentIndex(1);
  w.findChild<QLineEdit*>("Text3")->setText("-85");
  w.addCondition();
  w.findChild<QCheckBox*>("Check1")->setChecked(true);
  w.findChild<QLineEdit*>("Text6")->setText(out);
  tessaro::RestartRandomColour();
  w.generate();
  WaitForJobs();
}

}  // namespace

TEST(FlyLineWorkbook, WindowsWriteWhatTheCommandLineWrites) {
  QTemporaryDir dir;
  const QString script = QStringLiteral(TESSARO_SOURCE_DIR) + "/tests/flyline/make_fixtures.py";
  if (QProcess::execute("/usr/bin/python3", {script, dir.path()}) != 0) GTEST_SKIP() << "python3-xlsxwriter missing";
  const QString book = dir.filePath("flyline.xlsx");
  try {
    tessaro::ListSheetNames(book.toStdString());
  } catch (const std::exception&) {
    GTEST_SKIP() << "no workbook provider in this build";
  }
  FakeDialogs fake;
  const QString cli = qEnvironmentVariable("TESSARO_CLI", QStringLiteral(TESSARO_BINARY_DIR) + "/bin/tessaro-cli");
  {
    Form3 w;
    Generate(w, fake, book, dir.filePath("win.kml"));
    ASSERT_EQ(Texts(fake).value(0), QStringLiteral("Kml文件已生成！")) << Details(fake).value(0).toStdString();
    EXPECT_EQ(Titles(fake).value(0), QStringLiteral("友情提示"));
    EXPECT_TRUE(w.findChild<QComboBox*>("Combo2")->currentText() == "Longitude");
    ASSERT_EQ(QProcess::execute(cli, {"kml-flyline", book, "--cells", "Cells", "--condition", "RxLev>=-85", "-q",
                                      "-o", dir.filePath("cli.kml")}),
              0);
    EXPECT_EQ(Read(dir.filePath("win.kml")), Read(dir.filePath("cli.kml")));
  }
  {
    map3 w;
    Generate(w, fake, book, dir.filePath("win"));
    ASSERT_EQ(Texts(fake).value(1), QStringLiteral("MIF文件已生成！")) << Details(fake).value(1).toStdString();
    ASSERT_EQ(QProcess::execute(cli, {"mif-flyline", book, "--cells", "Cells", "--condition", "RxLev>=-85", "-q",
                                      "-o", dir.filePath("cli")}),
              0);
    EXPECT_EQ(Read(dir.filePath("win.mif")), Read(dir.filePath("cli.mif")));
    EXPECT_EQ(Read(dir.filePath("win.mid")), Read(dir.filePath("cli.mid")));
    EXPECT_FALSE(Read(dir.filePath("win.mid")).isEmpty());
  }
}

TEST(FlyLineWorkbook, RadiusAndAltitudeComeFromTheSectorWindows) {
  QTemporaryDir dir;
  const QString script = QStringLiteral(TESSARO_SOURCE_DIR) + "/tests/flyline/make_fixtures.py";
  if (QProcess::execute("/usr/bin/python3", {script, dir.path()}) != 0) GTEST_SKIP() << "python3-xlsxwriter missing";
  const QString book = dir.filePath("flyline.xlsx");
  try {
    tessaro::ListSheetNames(book.toStdString());
  } catch (const std::exception&) {
    GTEST_SKIP() << "no workbook provider in this build";
  }
  FakeDialogs fake;
  {
    MDIForm1 main;
    main.child("Form1")->findChild<QLineEdit*>("Text5")->setText("160");
    main.child("Form1")->findChild<QLineEdit*>("Text7")->setText("30");
    main.child("map")->findChild<QLineEdit*>("Text5")->setText("abc");
    auto* kml = static_cast<FlyLineWindow*>(main.child("Form3"));
    Generate(*kml, fake, book, dir.filePath("r.kml"));
    ASSERT_EQ(Texts(fake).value(0), QStringLiteral("Kml文件已生成！")) << Details(fake).value(0).toStdString();
    const QByteArray text = Read(dir.filePath("r.kml"));
    const QByteArray start = QByteArray::fromStdString(tessaro::KmlPointText(30, 120, 0, 160)) + ",30\r\n";
    EXPECT_TRUE(text.contains("<coordinates>\r\n" + start + "120.01,30.01,5\r\n")) << text.left(900).toStdString();
    // The MIF side reads the MIF sector window's radius: not a number there.
    auto* mif = static_cast<FlyLineWindow*>(main.child("map3"));
    Generate(*mif, fake, book, dir.filePath("r"));
    EXPECT_EQ(Texts(fake).value(1), QStringLiteral("程序出错，请检查是否正确配置数据或源数据存在空值"));
    EXPECT_TRUE(Details(fake).value(1).contains("abc")) << Details(fake).value(1).toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("r.mif")));
  }
}

// Opening a workbook chooses each side's sheet by what it holds: the cell
// side the sheet with azimuths and cell identifiers, the drive-test side one
// with a measured value; sheets that say nothing leave the design's choice
// (the first sheet for the drive test, none for the cells).
TEST(FlyLineWorkbook, EachSideStartsWithTheSheetThatSuitsIt) {
  QTemporaryDir dir;
  const QString make = QStringLiteral(
      "import sys, xlsxwriter\n"
      "def book(path, sheets):\n"
      "    b = xlsxwriter.Workbook(path)\n"
      "    for name, header in sheets:\n"
      "        s = b.add_worksheet(name); s.write_row(0, 0, header); s.write_row(1, 0, [1] * len(header))\n"
      "    b.close()\n"
      "book(sys.argv[1] + '/mixed.xlsx', [('说明', ['备注']), ('DT', ['Longitude', 'Latitude', 'CI', 'RX LevSub(dBm)']),\n"
      "     ('Cells', ['Longitude', 'Latitude', 'CI', 'Azimuth']), ('Sites', ['Longitude', 'Latitude'])])\n"
      "book(sys.argv[1] + '/plain.xlsx', [('A', ['x']), ('B', ['y'])])\n");
  if (QProcess::execute("/usr/bin/python3", {"-c", make, dir.path()}) != 0) GTEST_SKIP() << "python3-xlsxwriter missing";
  struct Case {
    const char* book;
    const char* points;
    const char* cells;
    const char* cellAzimuth;
  };
  const Case cases[] = {{"mixed.xlsx", "DT", "Cells", "Azimuth"}, {"plain.xlsx", "A", "", ""}};
  FakeDialogs fake;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.book);
    Form3 w;
    fake.files.push_back({dir.filePath(c.book)});
    w.open();
    EXPECT_EQ(w.findChild<QComboBox*>("Combo10")->currentText(), QString::fromUtf8(c.points));
    EXPECT_EQ(w.findChild<QComboBox*>("Combo7")->currentText(), QString::fromUtf8(c.cells));
    EXPECT_EQ(w.findChild<QComboBox*>("Combo11")->currentText(), QString::fromUtf8(c.cellAzimuth));
    const QString stem = QString::fromUtf8(c.book).chopped(5);
    EXPECT_EQ(w.findChild<QLineEdit*>("Text6")->text(), stem + "_" + QString::fromUtf8(c.points) + "飞线图.kml");
  }
  EXPECT_TRUE(fake.shown.size() == 2u) << "only the two open dialogs";
}
