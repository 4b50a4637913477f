#include "kml/ui/Form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Text.h"
#include "kml/KmlSector.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/RunPanel.h"
#include "templates/SaveFolder.h"
#include "templates/ui/TemplatePanel.h"

namespace tessaro::ui {

namespace {

// How a spinner writes its box.
enum class StepStyle { Percent, OneDecimal, Plain };

// A spinner press: the box's leading number plus `by`, never below 0, in
// the box's own format (a percentage stops at 100%).
void Step(QLineEdit* box, double by, StepStyle style) {
  const double v = tessaro::LeadingNumber(Utf8(box->text())) + by;
  if (v < 0) {
    box->setText(style == StepStyle::Percent ? QStringLiteral("0%") : QStringLiteral("0"));
    return;
  }
  switch (style) {
    case StepStyle::Percent:
      box->setText(v > 100 ? QStringLiteral("100%") : FromUtf8(tessaro::NumberText(v)) + "%");
      break;
    case StepStyle::OneDecimal:
      box->setText(FromUtf8(tessaro::FixedText(v, 1)));
      break;
    case StepStyle::Plain:
      box->setText(FromUtf8(tessaro::NumberText(v)));
  }
}

TemplateStore SectorStore(Form1* form) {
  return {[] { return tessaro::ListSectorTemplates(tessaro::SaveFolder()); },
          [form](const std::string& name) { tessaro::SaveSectorTemplate(tessaro::SaveFolder(), name, form->settings()); },
          [form](const std::string& file) { form->applySettings(tessaro::LoadSectorTemplate(tessaro::SaveFolder(), file)); },
          [](const std::string& file) { tessaro::DeleteSectorTemplate(tessaro::SaveFolder(), file); }};
}

}  // namespace

Form1::Form1(QWidget* parent)
    : LayerWindow("Form1", QStringLiteral("KML 基站扇区"),
                  {QStringLiteral("打开需要转换成Kml的Excel文件！"), QStringLiteral("可自定义要保存的Kml文件名"),
                   QStringLiteral(".kml"), false},
                  "Command1", QStringLiteral("生成Kml文件"), false, parent) {
  templates_ = new TemplatePanel({QStringLiteral("配置基站信息"), "Command4", QStringLiteral("保存设置"), "Command19",
                                  QStringLiteral("删除设置"),
                                  QStringLiteral("请输入要保存设置的文件名，建议分类保存，如TD、GSM、等 。")},
                                 SectorStore(this), this);
  QPushButton* reset = NewButton(this, "Command15", QStringLiteral("恢复默认"));
  templates_->insertButton(1, reset);
  connect(reset, &QPushButton::clicked, this, [this] { applySettings(tessaro::SectorSettings{}); });

  QGridLayout* columns = columnRows();
  QGridLayout* params = parameterRows();
  QComboBox* combo5 = picker()->addSheetList(
      "Combo5", QStringLiteral("选择Excel表"), {Combo1, Combo2, Combo3, Combo4, Combo6},
      {{tessaro::Role::Name, Combo1}, {tessaro::Role::Lon, Combo2}, {tessaro::Role::Lat, Combo3},
       {tessaro::Role::Azimuth, Combo4}});

  auto* sheetRow = new QHBoxLayout;
  sheetRow->setSpacing(6);
  sheetRow->addWidget(NewCaption(this, QStringLiteral("数据表："), combo5));
  sheetRow->addWidget(combo5, 1);
  sheetRow->addWidget(NewCaption(this, QStringLiteral("Kml文件名："), picker()->text6()));
  sheetRow->addWidget(picker()->text6(), 2);
  auto* middle = new QHBoxLayout;
  middle->setSpacing(6);
  middle->addLayout(columns, 3);
  middle->addLayout(params, 0);
  middle->addWidget(templates_, 2);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(6, 6, 6, 6);
  all->setSpacing(6);
  all->addWidget(picker());
  all->addLayout(sheetRow);
  all->addLayout(middle, 1);
  all->addWidget(runPanel());
  offerExtras({Extra::BeamwidthColumn, Extra::RadiusColumn, Extra::FolderColumn, Extra::Attributes, Extra::Kmz,
               Extra::ColourBy});
  connect(generateButton(), &QPushButton::clicked, this, &Form1::generate);
}

// The column lists, the description switch and the three colour buttons.
QGridLayout* Form1::columnRows() {
  Combo1 = NewColumnList(this, "Combo1", QStringLiteral("基站名称"));
  Combo2 = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  Combo3 = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  Combo4 = NewColumnList(this, "Combo4", QStringLiteral("选择方位角"));
  Combo6 = NewColumnList(this, "Combo6", QStringLiteral("描述列"));
  Combo6->setEnabled(false);
  Check1 = new QCheckBox(QStringLiteral("描述："), this);
  Check1->setObjectName("Check1");
  Command3 = new ColourButton("Command3", QStringLiteral("边框颜色"), 0xC0FFFF, this);
  Command7 = new ColourButton("Command7", QStringLiteral("填充颜色"), 0x80C0FF, this);
  Command8 = new ColourButton("Command8", QStringLiteral("字体颜色"), 0xC0FFFF, this);
  connect(Combo6, qOverload<int>(&QComboBox::activated), this, &Form1::guardDescription);
  connect(Check1, &QCheckBox::toggled, Combo6, &QWidget::setEnabled);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(4);
  const std::pair<QString, QComboBox*> rows[] = {{QStringLiteral("基站名："), Combo1},
                                                 {QStringLiteral("经度："), Combo2},
                                                 {QStringLiteral("纬度："), Combo3},
                                                 {QStringLiteral("方位角："), Combo4}};
  int row = 0;
  for (const auto& [caption, list] : rows) {
    grid->addWidget(NewCaption(this, caption, list), row, 0);
    grid->addWidget(list, row++, 1);
  }
  grid->addWidget(Check1, row, 0, Qt::AlignRight);
  NameField(Combo6, QStringLiteral("描述列"));
  grid->addWidget(Combo6, row++, 1);
  auto* colours = new QHBoxLayout;
  colours->setSpacing(4);
  for (ColourButton* b : {Command3, Command7, Command8}) colours->addWidget(b);
  grid->addLayout(colours, row, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return grid;
}

// The drawing parameters, each with its "<" and ">" spinner.
QGridLayout* Form1::parameterRows() {
  struct Row {
    QString caption;
    QLineEdit** box;
    const char* name;
    const char* text;
    const char* down;
    const char* up;
    double step;
    StepStyle style;
  };
  const Row rows[] = {{QStringLiteral("扇区透明度："), &Text2, "Text2", "70%", "Command5", "Command6", 10, StepStyle::Percent},
                      {QStringLiteral("边框粗细："), &Text3, "Text3", "2", "Command9", "Command10", 0.5, StepStyle::OneDecimal},
                      {QStringLiteral("字体大小："), &Text4, "Text4", "0.8", "Command11", "Command12", 0.2, StepStyle::OneDecimal},
                      {QStringLiteral("扇区半径(m)："), &Text5, "Text5", "80", "Command13", "Command14", 10, StepStyle::Plain},
                      {QStringLiteral("海拔高度(m)："), &Text7, "Text7", "5", "Command17", "Command16", 5, StepStyle::Plain},
                      {QStringLiteral("半功率角："), &Text8, "Text8", "35", nullptr, nullptr, 0, StepStyle::Plain}};
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(4);
  int row = 0;
  for (const Row& r : rows) {
    QLineEdit* box = *r.box = NewNumberBox(this, r.name, QString::fromLatin1(r.text), 46);
    grid->addWidget(NewCaption(this, r.caption, box), row, 0);
    grid->addWidget(box, row, 2);
    if (r.down) {
      QPushButton* down = NewStepButton(this, r.down, QStringLiteral("<"));
      QPushButton* up = NewStepButton(this, r.up, QStringLiteral(">"));
      grid->addWidget(down, row, 1);
      grid->addWidget(up, row, 3);
      const double by = r.step;
      const StepStyle style = r.style;
      connect(down, &QPushButton::clicked, this, [box, by, style] { Step(box, -by, style); });
      connect(up, &QPushButton::clicked, this, [box, by, style] { Step(box, by, style); });
    }
    ++row;
  }
  return grid;
}

void Form1::guardDescription() {
  const QString chosen = Combo6->currentText();
  if (chosen == Combo2->currentText() || chosen == Combo3->currentText() || chosen == Combo4->currentText()) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("不能选择该值"));
    SetListQuietly(Combo6, -1);
    Check1->setChecked(false);
  }
}

tessaro::SectorSettings Form1::settings() const {
  tessaro::SectorSettings s;
  s.opacity = Utf8(Text2->text());
  s.outlineWidth = Utf8(Text3->text());
  s.labelScale = Utf8(Text4->text());
  s.radius = Utf8(Text5->text());
  s.altitude = Utf8(Text7->text());
  s.beamwidth = Utf8(Text8->text());
  s.outlineColour = Command3->value();
  s.fillColour = Command7->value();
  s.labelColour = Command8->value();
  return s;
}

void Form1::applySettings(const tessaro::SectorSettings& s) {
  Text2->setText(FromUtf8(s.opacity));
  Text3->setText(FromUtf8(s.outlineWidth));
  Text4->setText(FromUtf8(s.labelScale));
  Text5->setText(FromUtf8(s.radius));
  Text7->setText(FromUtf8(s.altitude));
  Text8->setText(FromUtf8(s.beamwidth));
  Command3->setValue(s.outlineColour);
  Command7->setValue(s.fillColour);
  Command8->setValue(s.labelColour);
}

void Form1::RefreshTemplateList() { templates_->refresh(); }

void Form1::generate() {
  QList<Needed> needed = {{picker()->sheetList(), QStringLiteral("数据表"), true},
                          {Combo1, QStringLiteral("基站名列")},
                          {Combo2, QStringLiteral("经度列")},
                          {Combo3, QStringLiteral("纬度列")},
                          {Combo4, QStringLiteral("方位角列")}};
  if (Check1->isChecked()) needed.append({Combo6, QStringLiteral("描述列")});
  const auto output = outputForRun({QString()}, tessaro::kKmlSectorMessages, needed);
  if (!output) return;
  tessaro::KmlSectorParams p;
  p.workbook = Utf8(picker()->workbook());
  p.sheet = Utf8(picker()->sheetList()->currentText());
  p.nameColumn = Utf8(Combo1->currentText());
  p.lonColumn = Utf8(Combo2->currentText());
  p.latColumn = Utf8(Combo3->currentText());
  p.azimuthColumn = Utf8(Combo4->currentText());
  p.useDescription = Check1->isChecked();
  p.descriptionColumn = Utf8(Combo6->currentText());
  p.settings = settings();
  const ExtraValues more = extras();
  p.beamwidthColumn = Utf8(more.beamwidthColumn);
  p.radiusColumn = Utf8(more.radiusColumn);
  p.attributes = more.attributes;
  p.folderColumn = Utf8(more.folderColumn);
  p.colourBy = CategoryOptionOf(more);
  p.output = Utf8(*output);
  runLayer(tessaro::kKmlSectorMessages, {*output},
           [p](tessaro::Progress& progress) { tessaro::GenerateKmlSector(p, progress); });
}

}  // namespace tessaro::ui
