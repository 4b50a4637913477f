#include "kml/ui/Form3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "kml/KmlFlyLine.h"
#include "shell/Dialogs.h"
#include "shell/MDIForm1.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"

namespace tessaro::ui {

namespace {

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int w) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 24);
  return l;
}

QGroupBox* Frame(QWidget* parent, const QString& title, int x, int y, int w, int h) {
  auto* g = new QGroupBox(title, parent);
  g->setGeometry(x, y, w, h);
  return g;
}

}  // namespace

FlyLineWindow::FlyLineWindow(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {
  const bool kml = kind == Kind::Kml;
  // Fits the main window's child area (600 x 360 frame less menu and title).
  setMinimumSize(585, 272);

  QGroupBox* files = Frame(this, QStringLiteral("文件目录"), 4, 0, 577, 48);
  Text1 = new QLineEdit(kml ? QStringLiteral("打开需要转换成Kml的Excel文件！") : QStringLiteral("打开需要转换成MIF的Excel文件！"),
                        files);
  Text1->setObjectName("Text1");
  Text1->setGeometry(8, 18, 470, 24);
  Command2 = new QPushButton(QStringLiteral("打开文件"), files);
  Command2->setObjectName("Command2");
  Command2->setGeometry(484, 17, 85, 26);

  QGroupBox* cells = Frame(this, QStringLiteral("基站信息"), 4, 52, 185, 160);
  QGroupBox* points = Frame(this, QStringLiteral("路测信息"), 193, 52, 185, 160);
  QGroupBox* cond = Frame(this, QStringLiteral("条件设置"), 382, 52, 199, 160);
  auto row = [](QGroupBox* g, const QString& label, QComboBox* c, int k) {
    Label(g, label, 8, 18 + 28 * k, 66);
    c->setGeometry(74, 18 + 28 * k, 103, 24);
  };
  Combo7 = NewColumnList(cells, "Combo7", QStringLiteral("选择Excel表"));
  Combo1 = NewColumnList(cells, "Combo1", QString());
  Combo2 = NewColumnList(cells, "Combo2", QString());
  Combo3 = NewColumnList(cells, "Combo3", QString());
  Combo11 = NewColumnList(cells, "Combo11", QString());
  row(cells, QStringLiteral("数据源表："), Combo7, 0);
  row(cells, QStringLiteral("小区 CI："), Combo1, 1);
  row(cells, QStringLiteral("小区经度："), Combo2, 2);
  row(cells, QStringLiteral("小区纬度："), Combo3, 3);
  row(cells, QStringLiteral("方位角："), Combo11, 4);

  Combo10 = NewColumnList(points, "Combo10", QStringLiteral("选择Excel表"));
  Combo5 = NewColumnList(points, "Combo5", QString());
  Combo4 = NewColumnList(points, "Combo4", QString());
  Combo6 = NewColumnList(points, "Combo6", QString());
  Combo8 = NewColumnList(points, "Combo8", QString::fromUtf8(kConditionFieldDesign));
  row(points, QStringLiteral("数据源表："), Combo10, 0);
  row(points, QStringLiteral("点 经度："), Combo5, 1);
  row(points, QStringLiteral("点 纬度："), Combo4, 2);
  row(points, QStringLiteral("接收 CI："), Combo6, 3);
  row(points, QStringLiteral("条件字段："), Combo8, 4);

  Combo9 = NewColumnList(cond, "Combo9", QString());
  for (const auto& op : ConditionOperators()) Combo9->addItem(FromUtf8(op));
  Combo9->setCurrentIndex(-1);
  Combo9->setEditText(QString::fromUtf8(kConditionOperatorDesign));
  Combo9->setGeometry(8, 18, 84, 24);
  Text3 = new QLineEdit(cond);
  Text3->setObjectName("Text3");
  Text3->setGeometry(98, 18, 93, 24);
  Command1 = new QPushButton(QStringLiteral("<<添加"), cond);
  Command1->setObjectName("Command1");
  Command1->setGeometry(8, 46, 88, 26);
  Command4 = new QPushButton(QStringLiteral("<<清空"), cond);
  Command4->setObjectName("Command4");
  Command4->setGeometry(103, 46, 88, 26);
  Text2 = new QLineEdit(cond);
  Text2->setObjectName("Text2");
  Text2->setGeometry(8, 78, 183, 40);
  Check1 = new QCheckBox(QStringLiteral("勾选后开启条件筛选"), cond);
  Check1->setObjectName("Check1");
  Check1->setGeometry(8, 128, 183, 24);

  Label(this, kml ? QStringLiteral("Kml文件名：") : QStringLiteral("MIF文件名："), 8, 218, 74);
  Text6 = new QLineEdit(kml ? QStringLiteral("可自定义要保存的Kml文件名") : QStringLiteral("可自定义要保存的MIF文件名"), this);
  Text6->setObjectName("Text6");
  Text6->setGeometry(84, 218, 394, 24);
  Command3 = new QPushButton(kml ? QStringLiteral("生成 Kml") : QStringLiteral("生成 MIF"), this);
  Command3->setObjectName("Command3");
  Command3->setGeometry(484, 216, 97, 28);
  Pro1 = new QProgressBar(this);
  Pro1->setObjectName("Pro1");
  Pro1->setGeometry(4, 250, 577, 18);
  Pro1->setRange(0, 1);
  Pro1->setValue(0);
  Pro1->setTextVisible(false);

  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(Combo7, qOverload<int>(&QComboBox::activated), this, [this] { Combo7_Click(); });
  connect(Combo10, qOverload<int>(&QComboBox::activated), this, [this] { Combo10_Click(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
  connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

void FlyLineWindow::Command2_Click() {
  if (ChooseWorkbook(this, Text1, &fileName_)) ListSheets();
}

void FlyLineWindow::ListSheets() {
  // Both sheet lists get every sheet; the drive-test side takes the first,
  // the cell sheet is left for the user to choose.
  Combo7->blockSignals(true);
  Combo7->clear();
  ui::ListSheets(Combo10, Text1->text());
  for (int i = 0; i < Combo10->count(); ++i) Combo7->addItem(Combo10->itemText(i));
  Combo7->setCurrentIndex(-1);
  Combo7->setEditText(QString());
  Combo7->blockSignals(false);
  if (Combo10->count() > 0) Combo10_Click();
}

void FlyLineWindow::ProposeName() {
  ui::ProposeName(Text6, fileName_, Combo10->currentText(),
                  kind_ == Kind::Kml ? QStringLiteral("飞线图.kml") : QStringLiteral("飞线图"));
}

void FlyLineWindow::Combo7_Click() {
  ProposeName();
  const QStringList headers = FillColumnLists(Text1->text(), Combo7->currentText(), {Combo1, Combo2, Combo3, Combo11});
  ApplyDetection(headers, {{Role::Lon, Combo2}, {Role::Lat, Combo3}, {Role::CellId, Combo1}, {Role::Azimuth, Combo11}});
}

void FlyLineWindow::Combo10_Click() {
  ProposeName();
  const QStringList headers = FillColumnLists(Text1->text(), Combo10->currentText(), {Combo4, Combo5, Combo6, Combo8});
  ApplyDetection(headers, {{Role::Lon, Combo5}, {Role::Lat, Combo4}, {Role::CellId, Combo6}});
}

void FlyLineWindow::Command1_Click() {
  auto text = AddCondition(Utf8(Text2->text()), Utf8(Combo8->currentText()), Utf8(Combo9->currentText()),
                           Utf8(Text3->text()));
  if (!text) {
    dialogs().message(this, QStringLiteral("友情提示！"), QString::fromUtf8(kConditionMissingMessage));
    return;
  }
  Text2->setText(FromUtf8(*text));
}

void FlyLineWindow::Command4_Click() { Text2->clear(); }

void FlyLineWindow::Command3_Click() {
  if (IsRunning(this)) return;
  Generate();
}

tessaro::FlyLineInputs FlyLineWindow::Inputs() const {
  tessaro::FlyLineInputs in;
  in.cellSheet = Utf8(Combo7->currentText());
  in.pointSheet = Utf8(Combo10->currentText());
  in.cellLon = Utf8(Combo2->currentText());
  in.cellLat = Utf8(Combo3->currentText());
  in.cellAzimuth = Utf8(Combo11->currentText());
  in.cellCi = Utf8(Combo1->currentText());
  in.pointLon = Utf8(Combo5->currentText());
  in.pointLat = Utf8(Combo4->currentText());
  in.pointCi = Utf8(Combo6->currentText());
  in.conditionField = Utf8(Combo8->currentText());
  in.filter = Check1->isChecked();
  in.condition = Utf8(Text2->text());
  return in;
}

QString FlyLineWindow::SectorBox(const QString& window, const QString& box, const QString& fallback) {
  MDIForm1* main = MDIForm1::instance();
  if (!main) return fallback;
  QWidget* w = main->child(window);
  if (!w || !w->findChild<QLineEdit*>(box)) return fallback;
  return main->controlText(window, box);
}

Form3::Form3(QWidget* parent) : FlyLineWindow(Kind::Kml, parent) {
  setObjectName("Form3");
  setWindowTitle(QStringLiteral("KML 飞线专题"));
}

void Form3::Generate() {
  KmlFlyLineParams p;
  p.workbook = Utf8(Text1->text());
  p.output = Utf8(Text6->text());
  p.inputs = Inputs();
  // The radius and altitude are the KML sector window's boxes.
  p.radius = Utf8(SectorBox("Form1", "Text5", "80"));
  p.altitude = Utf8(SectorBox("Form1", "Text7", "5"));
  RunInBackground(
      this, Pro1, [p](Progress& progress) { GenerateKmlFlyLine(p, progress); },
      [this](std::exception_ptr error) {
        if (error)
          dialogs().message(this, QString::fromUtf8(kFlyLineTitle), QString::fromUtf8(kKmlFlyLineFailed), ErrorReason(error));
        else
          dialogs().message(this, QString::fromUtf8(kFlyLineTitle), QString::fromUtf8(kKmlFlyLineDone));
      });
}

}  // namespace tessaro::ui
