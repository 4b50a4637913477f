#include "mif/ui/map.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "common/Text.h"
#include "widgets/Controls.h"
#include "widgets/RunPanel.h"

namespace tessaro::ui {

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

map::map(QWidget* parent)
    : LayerWindow("map", QStringLiteral("Mapinfo 基站扇区"),
                  {QStringLiteral("打开需要转换成MIF的Excel文件！"), QStringLiteral("可自定义要保存的MIF文件名"), QString(),
                   true},
                  "Command1", QStringLiteral("生成MIF文件"), true, parent) {
  QGroupBox* frame = settingsFrame();
  QComboBox* combo5 = picker()->addSheetList(
      "Combo5", QStringLiteral("选择Excel表"), {Combo1, Combo2, Combo3, Combo4},
      {{Role::Name, Combo1}, {Role::Lon, Combo2}, {Role::Lat, Combo3}, {Role::Azimuth, Combo4}});
  auto* sheetRow = new QHBoxLayout;
  sheetRow->addWidget(NewCaption(this, QStringLiteral("数据表："), combo5));
  sheetRow->addWidget(combo5, 1);
  sheetRow->addWidget(NewCaption(this, QStringLiteral("MIF文件名："), picker()->text6()));
  sheetRow->addWidget(picker()->text6(), 2);
  auto* note = new QLabel(QStringLiteral("注：鼠标箭头停放在文本框上面显示参数说明！"), this);
  note->setObjectName("Label14");

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 4, 6, 4);
  root->setSpacing(4);
  root->addWidget(picker());
  root->addLayout(sheetRow);
  root->addWidget(frame);
  root->addWidget(note);
  root->addStretch(1);
  root->addWidget(runPanel());
  offerExtras({Extra::BeamwidthColumn, Extra::RadiusColumn, Extra::ColourBy});
  connect(generateButton(), &QPushButton::clicked, this, &map::generate);
}

// "配置基站信息": the column lists, the parameter boxes with their spinners
// and the two colour buttons.
QGroupBox* map::settingsFrame() {
  auto* frame = new QGroupBox(QStringLiteral("配置基站信息"), this);
  frame->setObjectName("Frame2");
  auto* rows = new QVBoxLayout(frame);
  rows->setContentsMargins(6, 2, 6, 4);
  rows->setSpacing(4);
  Combo1 = NewColumnList(frame, "Combo1", QStringLiteral("基站名称"));
  Combo2 = NewColumnList(frame, "Combo2", QStringLiteral("选择经度"));
  Combo3 = NewColumnList(frame, "Combo3", QStringLiteral("选择纬度"));
  Combo4 = NewColumnList(frame, "Combo4", QStringLiteral("选择方位角"));
  Combo4->setToolTip(QStringLiteral("室内：-2 室分：-1 定向：0-360"));
  auto* columnRow = new QHBoxLayout;
  columnRow->setSpacing(2);
  const std::pair<QString, QComboBox*> columns[] = {{QStringLiteral("基站名："), Combo1},
                                                    {QStringLiteral("经度："), Combo2},
                                                    {QStringLiteral("纬度："), Combo3},
                                                    {QStringLiteral("方位角："), Combo4}};
  for (const auto& [caption, list] : columns) {
    columnRow->addWidget(NewCaption(frame, caption, list));
    columnRow->addWidget(list, 1);
    columnRow->addSpacing(4);
  }
  rows->addLayout(columnRow);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(1);
  grid->setVerticalSpacing(4);
  addSpinners(frame, grid);
  Command3 = new ColourButton("Command3", QStringLiteral("边框颜色"), 0xC0E0FF, frame);
  Command7 = new ColourButton("Command7", QStringLiteral("填充颜色"), 0xC0FFFF, frame);
  auto* colours = new QHBoxLayout;
  colours->addWidget(Command3);
  colours->addWidget(Command7);
  grid->addLayout(colours, 1, 10, 1, 4);
  grid->setColumnStretch(14, 1);
  rows->addLayout(grid);
  return frame;
}

void map::addSpinners(QGroupBox* frame, QGridLayout* grid) {
  struct Spinner {
    QString caption;
    QLineEdit** box;
    const char* name;
    const char* text;
    QString tip;
    const char* down;
    const char* up;
    double step;
    std::optional<double> low, high;
  };
  const Spinner spinners[] = {
      {QStringLiteral("边框粗细："), &Text2, "Text2", "1", QStringLiteral("1-7的一个数值，是屏幕象素的宽度。"), "Command5",
       "Command6", 1, 1.0, 7.0},
      {QStringLiteral("画笔模式："), &Text3, "Text3", "2", QStringLiteral("是一个从1到118的整数，模式号为1时可见"),
       "Command9", "Command10", 10, 1.0, 118.0},
      {QStringLiteral("填充图案："), &Text4, "Text4", "2",
       QStringLiteral("（图案）是一个1 到71 之间的数。\n1：不填充\n2：纯色填充"), "Command11", "Command12", 10, 1.0, 71.0},
      {QStringLiteral("扇区半径(m)："), &Text5, "Text5", "80", QStringLiteral("扇区长度"), "Command13", "Command14", 10,
       std::nullopt, std::nullopt},
      {QStringLiteral("半功率角："), &Text7, "Text7", "35", QStringLiteral("扇区宽度"), "Command17", "Command16", 5,
       std::nullopt, std::nullopt},
  };
  for (int i = 0; i < 5; ++i) {
    const Spinner& s = spinners[i];
    QLineEdit* box = *s.box = NewNumberBox(frame, s.name, QString::fromLatin1(s.text));
    box->setToolTip(s.tip);
    QPushButton* down = NewStepButton(frame, s.down, QStringLiteral("<"));
    QPushButton* up = NewStepButton(frame, s.up, QStringLiteral(">"));
    // Each spinner takes four grid columns (label, "<", box, ">") plus a gap.
    const int row = i / 3, col = (i % 3) * 5;
    grid->addWidget(NewCaption(frame, s.caption, box), row, col);
    grid->addWidget(down, row, col + 1);
    grid->addWidget(box, row, col + 2);
    grid->addWidget(up, row, col + 3);
    if (i % 3 != 2) grid->setColumnMinimumWidth(col + 4, 10);
    const double step = s.step;
    const auto low = s.low, high = s.high;
    connect(down, &QPushButton::clicked, this, [box, step, low, high] { box->setText(Step(box->text(), -step, low, high)); });
    connect(up, &QPushButton::clicked, this, [box, step, low, high] { box->setText(Step(box->text(), step, low, high)); });
  }
}

MifSectorParams map::params() const {
  MifSectorParams p;
  p.workbook = Utf8(picker()->text1()->text());
  p.sheet = Utf8(picker()->sheetList()->currentText());
  p.nameColumn = Utf8(Combo1->currentText());
  p.lonColumn = Utf8(Combo2->currentText());
  p.latColumn = Utf8(Combo3->currentText());
  p.azimuthColumn = Utf8(Combo4->currentText());
  p.penWidth = Utf8(Text2->text());
  p.penPattern = Utf8(Text3->text());
  p.brushPattern = Utf8(Text4->text());
  p.radius = Utf8(Text5->text());
  p.beamwidth = Utf8(Text7->text());
  p.penColour = Command3->value();
  p.brushColour = Command7->value();
  p.outputBase = Utf8(picker()->text6()->text());
  const ExtraValues more = extras();
  p.beamwidthColumn = Utf8(more.beamwidthColumn);
  p.radiusColumn = Utf8(more.radiusColumn);
  p.colourBy = CategoryOptionOf(more);
  return p;
}

QString map::radiusText() const { return Text5->text(); }

void map::generate() {
  const auto output = outputForRun({".mif", ".mid"}, kMifSectorMessages,
                                   {{picker()->sheetList(), QStringLiteral("数据表"), true},
                                    {Combo1, QStringLiteral("基站名列")},
                                    {Combo2, QStringLiteral("经度列")},
                                    {Combo3, QStringLiteral("纬度列")},
                                    {Combo4, QStringLiteral("方位角列")}});
  if (!output) return;
  MifSectorParams p = params();
  p.outputBase = Utf8(*output);
  auto result = std::make_shared<MifSectorResult>();
  auto source = source_;
  runLayer(
      kMifSectorMessages, {*output + ".mif", *output + ".mid"},
      [p, result, source](Progress& progress) {
        if (!source) {
          *result = GenerateMifSector(p, progress);
          return;
        }
        RecordSet rs = source(p);
        *result = GenerateMifSector(p, rs, progress);
      },
      [result] { return QStringList{FromUtf8(result->replacementNote)}; });
}

}  // namespace tessaro::ui
