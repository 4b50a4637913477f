#include "mif/ui/map.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Error.h"
#include "common/Text.h"
#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"

namespace tessaro::ui {

namespace {

const char* const kTitle = "友情提示！";

QLineEdit* NewBox(QWidget* parent, const char* name, const QString& text, const QString& tip) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setToolTip(tip);
  return e;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

void ShowColour(QPushButton* b, unsigned value) {
  b->setStyleSheet(QStringLiteral("background-color: %1;").arg(ColourFromValue(value).name()));
}

}  // namespace

QString map::Step(const QString& text, double step, std::optional<double> low, std::optional<double> high) {
  const std::string t = Utf8(text);
  const double value = LeadingNumber(t);
  double out;
  if (low && high) {
    const double tested = ParseNumber(Trim(t)).value_or(value);
    if (tested < *low) out = *low;
    else if (tested > *high) out = *high;
    else out = value + step;
  } else {
    out = value + step;
    if (out < 0) out = 0;
  }
  return FromUtf8(NumberText(out));
}

map::map(QWidget* parent) : QWidget(parent) {
  setObjectName("map");
  setWindowTitle(QStringLiteral("Mapinfo 基站扇区"));

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 4, 6, 4);
  root->setSpacing(4);

  // The workbook.
  auto* fileFrame = new QGroupBox(QStringLiteral("文件目录"), this);
  fileFrame->setObjectName("Frame2");
  auto* fileRow = new QHBoxLayout(fileFrame);
  fileRow->setContentsMargins(6, 2, 6, 4);
  Text1 = NewBox(fileFrame, "Text1", QStringLiteral("打开需要转换成MIF的Excel文件！"), QString());
  auto* command2 = NewButton(fileFrame, "Command2", QStringLiteral("打开文件"));
  fileRow->addWidget(Text1, 1);
  fileRow->addWidget(command2);
  root->addWidget(fileFrame);

  // Sheet and output name.
  auto* sheetRow = new QHBoxLayout();
  sheetRow->addWidget(new QLabel(QStringLiteral("数据表："), this));
  Combo5 = NewColumnList(this, "Combo5", QStringLiteral("选择Excel表"));
  Combo5->setMinimumWidth(150);
  sheetRow->addWidget(Combo5, 1);
  sheetRow->addWidget(new QLabel(QStringLiteral("MIF文件名："), this));
  Text6 = NewBox(this, "Text6", QStringLiteral("可自定义要保存的MIF文件名"), QString());
  sheetRow->addWidget(Text6, 2);
  root->addLayout(sheetRow);

  // Columns and drawing parameters.
  auto* frame = new QGroupBox(QStringLiteral("配置基站信息"), this);
  frame->setObjectName("Frame1");
  auto* frameRows = new QVBoxLayout(frame);
  frameRows->setContentsMargins(6, 2, 6, 4);
  frameRows->setSpacing(4);
  auto* columnRow = new QHBoxLayout();
  columnRow->setSpacing(2);
  frameRows->addLayout(columnRow);
  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(1);
  grid->setVerticalSpacing(4);
  frameRows->addLayout(grid);
  Combo1 = NewColumnList(frame, "Combo1", QStringLiteral("基站名称"));
  Combo2 = NewColumnList(frame, "Combo2", QStringLiteral("选择经度"));
  Combo3 = NewColumnList(frame, "Combo3", QStringLiteral("选择纬度"));
  Combo4 = NewColumnList(frame, "Combo4", QStringLiteral("选择方位角"));
  Combo4->setToolTip(QStringLiteral("室内：-2 室分：-1 定向：0-360"));
  const QList<QPair<QString, QComboBox*>> columns = {{QStringLiteral("基站名："), Combo1},
                                                    {QStringLiteral("经度："), Combo2},
                                                    {QStringLiteral("纬度："), Combo3},
                                                    {QStringLiteral("方位角："), Combo4}};
  for (const auto& [label, list] : columns) {
    columnRow->addWidget(new QLabel(label, frame));
    list->setMinimumWidth(60);
    columnRow->addWidget(list, 1);
    columnRow->addSpacing(4);
  }

  Text2 = NewBox(frame, "Text2", "1", QStringLiteral("1-7的一个数值，是屏幕象素的宽度。"));
  Text3 = NewBox(frame, "Text3", "2", QStringLiteral("是一个从1到118的整数，模式号为1时可见"));
  Text4 = NewBox(frame, "Text4", "2",
                 QStringLiteral("（图案）是一个1 到71 之间的数。\n1：不填充\n2：纯色填充"));
  Text5 = NewBox(frame, "Text5", "80", QStringLiteral("扇区长度"));
  Text7 = NewBox(frame, "Text7", "35", QStringLiteral("扇区宽度"));
  struct Spinner {
    QString label;
    QLineEdit* box;
    const char* down;
    const char* up;
    double step;
    std::optional<double> low, high;
  };
  const Spinner spinners[] = {
      {QStringLiteral("边框粗细："), Text2, "Command5", "Command6", 1, 1.0, 7.0},
      {QStringLiteral("画笔模式："), Text3, "Command9", "Command10", 10, 1.0, 118.0},
      {QStringLiteral("填充图案："), Text4, "Command11", "Command12", 10, 1.0, 71.0},
      {QStringLiteral("扇区半径(m)："), Text5, "Command13", "Command14", 10, std::nullopt, std::nullopt},
      {QStringLiteral("半功率角："), Text7, "Command17", "Command16", 5, std::nullopt, std::nullopt},
  };
  for (int i = 0; i < 5; ++i) {
    const Spinner& s = spinners[i];
    auto* down = NewButton(frame, s.down, "<");
    auto* up = NewButton(frame, s.up, ">");
    for (QPushButton* b : {down, up}) b->setFixedWidth(20);
    s.box->setFixedWidth(48);
    // Each spinner takes four grid columns (label, "<", box, ">") plus a gap.
    const int row = i / 3, col = (i % 3) * 5;
    grid->addWidget(new QLabel(s.label, frame), row, col, Qt::AlignRight);
    grid->addWidget(down, row, col + 1);
    grid->addWidget(s.box, row, col + 2);
    grid->addWidget(up, row, col + 3);
    if (i % 3 != 2) grid->setColumnMinimumWidth(col + 4, 10);
    QLineEdit* box = s.box;
    const double step = s.step;
    const auto low = s.low, high = s.high;
    connect(down, &QPushButton::clicked, this, [box, step, low, high] { box->setText(Step(box->text(), -step, low, high)); });
    connect(up, &QPushButton::clicked, this, [box, step, low, high] { box->setText(Step(box->text(), step, low, high)); });
  }
  Command3 = NewButton(frame, "Command3", QStringLiteral("边框颜色"));
  Command7 = NewButton(frame, "Command7", QStringLiteral("填充颜色"));
  ShowColour(Command3, penColour_);
  ShowColour(Command7, brushColour_);
  auto* colours = new QHBoxLayout();
  colours->addWidget(Command3);
  colours->addWidget(Command7);
  grid->addLayout(colours, 1, 10, 1, 4);
  grid->setColumnStretch(14, 1);
  root->addWidget(frame);

  // Note, generate, progress.
  auto* runRow = new QHBoxLayout();
  auto* note = new QLabel(QStringLiteral("注：鼠标箭头停放在文本框上面显示参数说明！"), this);
  note->setObjectName("Label14");
  runRow->addWidget(note, 1);
  auto* command1 = NewButton(this, "Command1", QStringLiteral("生成MIF文件"));
  command1->setMinimumWidth(110);
  runRow->addWidget(command1);
  root->addLayout(runRow);

  auto* progressRow = new QHBoxLayout();
  auto* progressLabel = new QLabel(QStringLiteral("进度： 0%"), this);
  progressLabel->setObjectName("Label13");
  progressRow->addWidget(progressLabel);
  Pro1 = new QProgressBar(this);
  Pro1->setObjectName("Pro1");
  Pro1->setRange(0, 1);
  Pro1->setValue(0);
  progressRow->addWidget(Pro1, 1);
  root->addLayout(progressRow);
  root->addStretch(1);

  connect(command2, &QPushButton::clicked, this, &map::openFile);
  connect(Combo5, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
    if (index >= 0) chooseSheet();
  });
  connect(Command3, &QPushButton::clicked, this, [this] { chooseColour(Command3, &penColour_); });
  connect(Command7, &QPushButton::clicked, this, [this] { chooseColour(Command7, &brushColour_); });
  connect(command1, &QPushButton::clicked, this, &map::generate);
}

void map::openFile() {
  if (!ChooseWorkbook(this, Text1, &fileName_)) return;
  ListSheets(Combo5, Text1->text());
}

void map::chooseSheet() {
  const QString sheet = Combo5->currentText();
  ProposeName(Text6, fileName_, sheet, QString());
  const QStringList headers = FillColumnLists(Text1->text(), sheet, {Combo1, Combo2, Combo3, Combo4});
  ApplyDetection(headers, {{Role::Name, Combo1}, {Role::Lon, Combo2}, {Role::Lat, Combo3}, {Role::Azimuth, Combo4}});
}

void map::chooseColour(QPushButton* button, unsigned* value) {
  auto chosen = dialogs().colour(this, ColourFromValue(lastColour_));
  if (!chosen) return;
  lastColour_ = ValueFromColour(*chosen);
  *value = lastColour_;
  ShowColour(button, *value);
}

MifSectorParams map::params() const {
  MifSectorParams p;
  p.workbook = Utf8(Text1->text());
  p.sheet = Utf8(Combo5->currentText());
  p.nameColumn = Utf8(Combo1->currentText());
  p.lonColumn = Utf8(Combo2->currentText());
  p.latColumn = Utf8(Combo3->currentText());
  p.azimuthColumn = Utf8(Combo4->currentText());
  p.penWidth = Utf8(Text2->text());
  p.penPattern = Utf8(Text3->text());
  p.brushPattern = Utf8(Text4->text());
  p.radius = Utf8(Text5->text());
  p.beamwidth = Utf8(Text7->text());
  p.penColour = penColour_;
  p.brushColour = brushColour_;
  const QString base = Text6->text();
  if (!base.isEmpty()) p.outputBase = Utf8(QDir::cleanPath(QDir::current().absoluteFilePath(base)));
  return p;
}

void map::generate() {
  if (IsRunning(this)) return;
  const MifSectorParams p = params();
  auto result = std::make_shared<MifSectorResult>();
  auto source = source_;
  RunInBackground(
      this, Pro1,
      [p, result, source](Progress& progress) {
        if (source) {
          RecordSet rs = source(p);
          *result = GenerateMifSector(p, rs, progress);
        } else {
          *result = GenerateMifSector(p, progress);
        }
      },
      [this, result](std::exception_ptr error) {
        if (!error) {
          dialogs().message(this, QString::fromUtf8(kTitle), QStringLiteral("MIF文件已生成！"),
                            FromUtf8(result->replacementNote));
          return;
        }
        const QString reason = ErrorReason(error);
        dialogs().message(this, QString::fromUtf8(kTitle), QStringLiteral("请正确设置信息或源数据存在空值！"), reason);
      });
}

}  // namespace tessaro::ui
