#include "query/ui/FlyLineWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <QFileInfo>

#include "report/CellReport.h"
#include "query/SheetChoice.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/RunPanel.h"
#include "widgets/Worker.h"

namespace tessaro::ui {

namespace {

WorkbookPicker::Design PickerDesign(FlyLineWindow::Kind kind) {
  if (kind == FlyLineWindow::Kind::Kml)
    return {QStringLiteral("打开需要转换成Kml的Excel文件！"), QStringLiteral("可自定义要保存的Kml文件名"),
            QStringLiteral("飞线图.kml"), true};
  return {QStringLiteral("打开需要转换成MIF的Excel文件！"), QStringLiteral("可自定义要保存的MIF文件名"),
          QStringLiteral("飞线图"), true};
}

// A frame of captioned rows.
QGroupBox* Frame(QWidget* parent, const QString& title, const std::vector<std::pair<QString, QComboBox*>>& rows) {
  auto* g = new QGroupBox(title, parent);
  auto* grid = new QGridLayout(g);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setSpacing(4);
  int row = 0;
  for (const auto& [caption, list] : rows) {
    grid->addWidget(NewCaption(g, caption, list), row, 0);
    grid->addWidget(list, row++, 1);
  }
  grid->setColumnStretch(1, 1);
  return g;
}

}  // namespace

FlyLineWindow::FlyLineWindow(Kind kind, QWidget* parent)
    : LayerWindow(kind == Kind::Kml ? "Form3" : "map3",
                  kind == Kind::Kml ? QStringLiteral("KML 飞线专题") : QStringLiteral("Mapinfo 飞线专题"),
                  PickerDesign(kind), "Command3",
                  kind == Kind::Kml ? QStringLiteral("生成 Kml") : QStringLiteral("生成 MIF"), false, parent),
      kind_(kind) {
  createLists();
  auto* frames = new QHBoxLayout;
  frames->setSpacing(4);
  frames->addWidget(cellFrame(), 1);
  frames->addWidget(pointFrame(), 1);
  frames->addWidget(conditionFrame(), 1);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(NewCaption(this, kind == Kind::Kml ? QStringLiteral("Kml文件名：") : QStringLiteral("MIF文件名："),
                                picker()->text6()));
  nameRow->addWidget(picker()->text6(), 1);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(4, 2, 4, 4);
  all->setSpacing(4);
  all->addWidget(picker());
  all->addLayout(frames);
  all->addLayout(nameRow);
  all->addStretch(1);
  all->addWidget(runPanel());
  connect(generateButton(), &QPushButton::clicked, this, &FlyLineWindow::generate);
  QPushButton* report = NewButton(this, "CommandReport", QStringLiteral("小区统计报表…"));
  runPanel()->addButton(report, generateButton());
  connect(report, &QPushButton::clicked, this, &FlyLineWindow::writeCellReport);
}

// Both sheet lists and their column lists. The drive-test side's sheet list
// is added first, so it is the one the proposed name follows.
void FlyLineWindow::createLists() {
  Combo1 = NewColumnList(this, "Combo1", QString());
  Combo2 = NewColumnList(this, "Combo2", QString());
  Combo3 = NewColumnList(this, "Combo3", QString());
  Combo11 = NewColumnList(this, "Combo11", QString());
  Combo4 = NewColumnList(this, "Combo4", QString());
  Combo5 = NewColumnList(this, "Combo5", QString());
  Combo6 = NewColumnList(this, "Combo6", QString());
  Combo8 = NewColumnList(this, "Combo8", QString::fromUtf8(kConditionFieldDesign));
  Combo10 = picker()->addSheetList("Combo10", QStringLiteral("选择Excel表"), {Combo4, Combo5, Combo6, Combo8},
                                   {{Role::Lon, Combo5}, {Role::Lat, Combo4}, {Role::CellId, Combo6}});
  Combo7 = picker()->addSheetList("Combo7", QStringLiteral("选择Excel表"), {Combo1, Combo2, Combo3, Combo11},
                                  {{Role::Lon, Combo2}, {Role::Lat, Combo3}, {Role::CellId, Combo1}, {Role::Azimuth, Combo11}});
  // Each side starts with the sheet whose columns suit it.
  picker()->setSheetChooser([](const QList<QStringList>& headers) {
    std::vector<std::vector<std::string>> sheets;
    for (const QStringList& row : headers) {
      sheets.emplace_back();
      for (const QString& h : row) sheets.back().push_back(Utf8(h));
    }
    const FlyLineSheets chosen = ChooseFlyLineSheets(sheets);
    return QList<int>{static_cast<int>(chosen.points), chosen.cells ? static_cast<int>(*chosen.cells) : -1};
  });
}

// "基站信息": the cell sheet and its columns.
QGroupBox* FlyLineWindow::cellFrame() {
  return Frame(this, QStringLiteral("基站信息"),
               {{QStringLiteral("数据源表："), Combo7},
                {QStringLiteral("小区 CI："), Combo1},
                {QStringLiteral("小区经度："), Combo2},
                {QStringLiteral("小区纬度："), Combo3},
                {QStringLiteral("方位角："), Combo11}});
}

// "路测信息": the drive-test sheet and its columns.
QGroupBox* FlyLineWindow::pointFrame() {
  return Frame(this, QStringLiteral("路测信息"),
               {{QStringLiteral("数据源表："), Combo10},
                {QStringLiteral("点 经度："), Combo5},
                {QStringLiteral("点 纬度："), Combo4},
                {QStringLiteral("接收 CI："), Combo6},
                {QStringLiteral("条件字段："), Combo8}});
}

// "条件设置": operator, value, add / clear, the condition text and the switch.
QGroupBox* FlyLineWindow::conditionFrame() {
  auto* g = new QGroupBox(QStringLiteral("条件设置"), this);
  Combo9 = NewColumnList(g, "Combo9", QString::fromUtf8(kConditionOperatorDesign));
  for (const auto& op : ConditionOperators()) Combo9->addItem(FromUtf8(op));
  SetListQuietly(Combo9, -1, QString::fromUtf8(kConditionOperatorDesign));
  Text3 = NewBox(g, "Text3", QString());
  QPushButton* command1 = NewButton(g, "Command1", QStringLiteral("<<添加"));
  QPushButton* command4 = NewButton(g, "Command4", QStringLiteral("<<清空"));
  // The condition text grows with every "<<添加": it wraps within its box,
  // so a long condition is read whole, and Tab leaves it.
  Text2 = new QPlainTextEdit(g);
  Text2->setObjectName("Text2");
  Text2->setTabChangesFocus(true);
  Text2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Text2->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  Text2->setMinimumHeight(40);
  Text2->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  Check1 = new QCheckBox(QStringLiteral("勾选后开启条件筛选"), g);
  NameField(Combo9, QStringLiteral("条件符号"));
  NameField(Text3, QStringLiteral("条件值"));
  NameField(Text2, QStringLiteral("筛选条件"));
  Check1->setObjectName("Check1");
  auto* grid = new QGridLayout(g);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setSpacing(4);
  grid->addWidget(Combo9, 0, 0);
  grid->addWidget(Text3, 0, 1);
  grid->addWidget(command1, 1, 0);
  grid->addWidget(command4, 1, 1);
  grid->addWidget(Text2, 2, 0, 1, 2);
  grid->addWidget(Check1, 3, 0, 1, 2);
  connect(command1, &QPushButton::clicked, this, &FlyLineWindow::addCondition);
  connect(command4, &QPushButton::clicked, this, &FlyLineWindow::clearConditions);
  return g;
}

void FlyLineWindow::open() { picker()->open(); }

void FlyLineWindow::chooseCellSheet() { picker()->chooseSheet(Combo7); }

void FlyLineWindow::choosePointSheet() { picker()->chooseSheet(Combo10); }

void FlyLineWindow::addCondition() {
  auto text = AddCondition(Utf8(Text2->toPlainText()), Utf8(Combo8->currentText()), Utf8(Combo9->currentText()),
                           Utf8(Text3->text()));
  if (!text) {
    dialogs().message(this, QStringLiteral("友情提示！"), QString::fromUtf8(kConditionMissingMessage));
    return;
  }
  Text2->setPlainText(FromUtf8(*text));
}

void FlyLineWindow::clearConditions() { Text2->clear(); }

tessaro::FlyLineInputs FlyLineWindow::inputs() const {
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
  in.condition = Utf8(Text2->toPlainText());
  return in;
}

void FlyLineWindow::generate() {
  QList<Needed> needed = {{Combo7, QStringLiteral("基站信息的数据源表"), true},
                          {Combo1, QStringLiteral("小区 CI 列")},
                          {Combo2, QStringLiteral("小区经度列")},
                          {Combo3, QStringLiteral("小区纬度列")},
                          {Combo11, QStringLiteral("方位角列")},
                          {Combo10, QStringLiteral("路测信息的数据源表"), true},
                          {Combo5, QStringLiteral("点经度列")},
                          {Combo4, QStringLiteral("点纬度列")},
                          {Combo6, QStringLiteral("接收 CI 列")}};
  // The condition field is part of the query only when it adds a column.
  if (Check1->isChecked() && Combo8->currentText() != Combo6->currentText())
    needed.append({Combo8, QStringLiteral("条件字段")});
  const auto output = outputForRun(kind_ == Kind::Kml ? QStringList{QString()} : QStringList{".mif", ".mid"},
                                   messages(), needed);
  if (!output) return;
  runFlyLine(*output, sectorBoxes_ ? sectorBoxes_() : SectorBoxes{});
}

namespace {

// The end of a report run, as a layer's end is shown, with "打开报表".
void ReportEnd(QWidget* window, const JobEnd& end, const CellReportFiles& files) {
  const QString title = QString::fromUtf8(kCellReportTitle);
  if (end.cancelled) {
    dialogs().message(window, title, QStringLiteral("已取消"));
    return;
  }
  if (end.error) {
    const QStringList detail = QStringList{ErrorReason(end.error)} + end.notes;
    dialogs().message(window, title, QString::fromUtf8(kCellReportFailed), detail.join('\n'));
    return;
  }
  const QString text = (QStringList{QString::fromUtf8(kCellReportDone)} + end.notes).join('\n');
  if (dialogs().completionOffering(window, title, text, {FromUtf8(files.xlsx), FromUtf8(files.html)},
                                   QStringLiteral("打开报表")))
    dialogs().openFile(FromUtf8(files.html));
}

}  // namespace

void FlyLineWindow::writeCellReport() {
  if (IsRunning(this)) return;
  const QString book = picker()->workbook();
  if (book.isEmpty()) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("请先打开Excel文件"));
    return;
  }
  CellReportParams p;
  p.workbook = Utf8(book);
  p.inputs = inputs();
  p.beamwidth = (sectorBoxes_ ? sectorBoxes_() : SectorBoxes{}).beamwidth;
  // The cells are named as the sector window would pre-select their name.
  const QStringList headers = picker()->columnNames(1);
  std::vector<std::string> names;
  for (const QString& h : headers) names.push_back(Utf8(h));
  const auto roles = DetectColumns(names, WindowRoles("sector"));
  if (const auto name = roles.find(Role::Name); name != roles.end()) p.cellName = name->second;
  p.output = ProposeCellReportName(p.workbook, p.inputs.pointSheet);
  const CellReportFiles files = ReportFiles(p.output);
  const bool exists = QFileInfo(FromUtf8(files.xlsx)).isFile() || QFileInfo(FromUtf8(files.html)).isFile();
  if (exists && !dialogs().question(this, QStringLiteral("友情提示"), QStringLiteral("文件已存在，是否覆盖？"))) return;
  RunInBackground(
      this, runPanel(), [p](Progress& progress) { GenerateCellReport(p, progress); },
      [this, files](const JobEnd& end) { ReportEnd(this, end, files); });
}

}  // namespace tessaro::ui
