#include "kml/ui/Form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QVBoxLayout>

#include "common/Error.h"
#include "common/OutputFile.h"
#include "common/Text.h"
#include "kml/KmlSector.h"
#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"
#include "templates/SaveFolder.h"

namespace tessaro::ui {

namespace {

const QString kHint = QStringLiteral("友情提示！");

// How a spinner writes its box.
enum StepStyle { kPercent, kOneDecimal, kPlain };

QLineEdit* Box(QWidget* parent, const char* name, const QString& text, int width) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setFixedWidth(width);
  return e;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QPushButton* Spinner(QWidget* parent, const char* name, const char* caption) {
  QPushButton* b = Button(parent, name, QString::fromLatin1(caption));
  b->setFixedWidth(20);
  return b;
}

QLabel* Label(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

}  // namespace

ColourButton::ColourButton(const QString& objectName, const QString& caption, unsigned value, QWidget* parent)
    : QPushButton(caption, parent) {
  setObjectName(objectName);
  setValue(value);
}

void ColourButton::setValue(unsigned value) {
  value_ = value & 0xFFFFFFu;
  const QColor c = ColourFromValue(value_);
  const QColor ink = c.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
  setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid #808080; "
                               "padding: 2px 4px; }")
                    .arg(c.name(), ink.name()));
}

Form1::Form1(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("KML 基站扇区"));

  // Workbook, sheet and output name.
  QPushButton* command2 = Button(this, "Command2", QStringLiteral("打开文件"));
  Text1 = Box(this, "Text1", QStringLiteral("打开需要转换成Kml的Excel文件！"), 10);
  Text1->setMinimumWidth(200);
  Text1->setMaximumWidth(QWIDGETSIZE_MAX);
  Combo5 = NewColumnList(this, "Combo5", QStringLiteral("选择Excel表"));
  Combo5->setMinimumWidth(110);
  Text6 = Box(this, "Text6", QStringLiteral("可自定义要保存的Kml文件名"), 10);
  Text6->setMinimumWidth(200);
  Text6->setMaximumWidth(QWIDGETSIZE_MAX);

  // Column lists.
  Combo1 = NewColumnList(this, "Combo1", QStringLiteral("基站名称"));
  Combo2 = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  Combo3 = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  Combo4 = NewColumnList(this, "Combo4", QStringLiteral("选择方位角"));
  Combo6 = NewColumnList(this, "Combo6", QStringLiteral("描述列"));
  Check1 = new QCheckBox(QStringLiteral("描述："), this);
  Check1->setObjectName("Check1");
  Combo6->setEnabled(false);

  // Drawing parameters and their spinners.
  Text2 = Box(this, "Text2", QStringLiteral("70%"), 46);
  Text3 = Box(this, "Text3", QStringLiteral("2"), 46);
  Text4 = Box(this, "Text4", QStringLiteral("0.8"), 46);
  Text5 = Box(this, "Text5", QStringLiteral("80"), 46);
  Text7 = Box(this, "Text7", QStringLiteral("5"), 46);
  Text8 = Box(this, "Text8", QStringLiteral("35"), 46);
  QPushButton* command5 = Spinner(this, "Command5", "<");
  QPushButton* command6 = Spinner(this, "Command6", ">");
  QPushButton* command9 = Spinner(this, "Command9", "<");
  QPushButton* command10 = Spinner(this, "Command10", ">");
  QPushButton* command11 = Spinner(this, "Command11", "<");
  QPushButton* command12 = Spinner(this, "Command12", ">");
  QPushButton* command13 = Spinner(this, "Command13", "<");
  QPushButton* command14 = Spinner(this, "Command14", ">");
  QPushButton* command17 = Spinner(this, "Command17", "<");
  QPushButton* command16 = Spinner(this, "Command16", ">");
  Command3 = new ColourButton("Command3", QStringLiteral("边框颜色"), 0xC0FFFF, this);
  Command7 = new ColourButton("Command7", QStringLiteral("填充颜色"), 0x80C0FF, this);
  Command8 = new ColourButton("Command8", QStringLiteral("字体颜色"), 0xC0FFFF, this);

  // Templates.
  auto* frame = new QGroupBox(QStringLiteral("配置基站信息"), this);
  frame->setObjectName("Frame1");
  List1 = new QListWidget(frame);
  List1->setObjectName("List1");
  List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QPushButton* command4 = Button(frame, "Command4", QStringLiteral("保存设置"));
  QPushButton* command15 = Button(frame, "Command15", QStringLiteral("恢复默认"));
  QPushButton* command19 = Button(frame, "Command19", QStringLiteral("删除设置"));

  Pro1 = new QProgressBar(this);
  Pro1->setObjectName("Pro1");
  Pro1->setRange(0, 1);
  Pro1->setValue(0);
  Pro1->setTextVisible(false);
  Pro1->setFixedHeight(18);
  QPushButton* command1 = Button(this, "Command1", QStringLiteral("生成Kml文件"));

  // Layout: the file row, the sheet row, then columns | parameters |
  // templates, and the progress bar with the generate button at the bottom.
  auto* top = new QGridLayout;
  top->setHorizontalSpacing(6);
  top->setVerticalSpacing(4);
  top->addWidget(command2, 0, 0);
  top->addWidget(Text1, 0, 1, 1, 3);
  top->addWidget(Label(this, QStringLiteral("数据表：")), 1, 0, Qt::AlignRight);
  top->addWidget(Combo5, 1, 1);
  top->addWidget(Label(this, QStringLiteral("Kml文件名：")), 1, 2, Qt::AlignRight);
  top->addWidget(Text6, 1, 3);
  top->setColumnStretch(1, 1);
  top->setColumnStretch(3, 2);

  auto* columns = new QGridLayout;
  columns->setHorizontalSpacing(4);
  columns->setVerticalSpacing(4);
  const QString captions[] = {QStringLiteral("基站名："), QStringLiteral("经度："), QStringLiteral("纬度："),
                              QStringLiteral("方位角：")};
  QComboBox* lists[] = {Combo1, Combo2, Combo3, Combo4};
  for (int i = 0; i < 4; ++i) {
    columns->addWidget(Label(this, captions[i]), i, 0, Qt::AlignRight);
    columns->addWidget(lists[i], i, 1);
  }
  columns->addWidget(Check1, 4, 0, Qt::AlignRight);
  columns->addWidget(Combo6, 4, 1);
  auto* colours = new QHBoxLayout;
  colours->setSpacing(4);
  colours->addWidget(Command3);
  colours->addWidget(Command7);
  colours->addWidget(Command8);
  columns->addLayout(colours, 5, 0, 1, 2);
  columns->setColumnStretch(1, 1);

  auto* params = new QGridLayout;
  params->setHorizontalSpacing(2);
  params->setVerticalSpacing(4);
  struct Row {
    const QString caption;
    QPushButton* down;
    QLineEdit* box;
    QPushButton* up;
  };
  const Row rows[] = {{QStringLiteral("扇区透明度："), command5, Text2, command6},
                      {QStringLiteral("边框粗细："), command9, Text3, command10},
                      {QStringLiteral("字体大小："), command11, Text4, command12},
                      {QStringLiteral("扇区半径(m)："), command13, Text5, command14},
                      {QStringLiteral("海拔高度(m)："), command17, Text7, command16},
                      {QStringLiteral("半功率角："), nullptr, Text8, nullptr}};
  for (int i = 0; i < 6; ++i) {
    params->addWidget(Label(this, rows[i].caption), i, 0, Qt::AlignRight);
    if (rows[i].down) params->addWidget(rows[i].down, i, 1);
    params->addWidget(rows[i].box, i, 2);
    if (rows[i].up) params->addWidget(rows[i].up, i, 3);
  }

  auto* frameLayout = new QGridLayout(frame);
  frameLayout->setContentsMargins(4, 2, 4, 4);
  frameLayout->setSpacing(4);
  frameLayout->addWidget(List1, 0, 0, 3, 1);
  frameLayout->addWidget(command4, 0, 1);
  frameLayout->addWidget(command15, 1, 1);
  frameLayout->addWidget(command19, 2, 1);
  List1->setMinimumWidth(80);

  auto* middle = new QHBoxLayout;
  middle->setSpacing(8);
  middle->addLayout(columns, 3);
  middle->addLayout(params, 0);
  middle->addWidget(frame, 2);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(8);
  bottom->addWidget(Pro1, 1);
  bottom->addWidget(command1);

  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(6, 6, 6, 6);
  all->setSpacing(6);
  all->addLayout(top);
  all->addLayout(middle, 1);
  all->addLayout(bottom);

  // The open-file road.
  connect(command2, &QPushButton::clicked, this, &Form1::openFile);
  connect(Combo5, qOverload<int>(&QComboBox::currentIndexChanged), this, &Form1::chooseSheet);
  connect(Combo6, qOverload<int>(&QComboBox::activated), this, &Form1::guardDescription);
  connect(Check1, &QCheckBox::toggled, Combo6, &QWidget::setEnabled);

  // Spinners.
  connect(command5, &QPushButton::clicked, this, [this] { step(Text2, -10, kPercent); });
  connect(command6, &QPushButton::clicked, this, [this] { step(Text2, +10, kPercent); });
  connect(command9, &QPushButton::clicked, this, [this] { step(Text3, -0.5, kOneDecimal); });
  connect(command10, &QPushButton::clicked, this, [this] { step(Text3, +0.5, kOneDecimal); });
  connect(command11, &QPushButton::clicked, this, [this] { step(Text4, -0.2, kOneDecimal); });
  connect(command12, &QPushButton::clicked, this, [this] { step(Text4, +0.2, kOneDecimal); });
  connect(command13, &QPushButton::clicked, this, [this] { step(Text5, -10, kPlain); });
  connect(command14, &QPushButton::clicked, this, [this] { step(Text5, +10, kPlain); });
  connect(command17, &QPushButton::clicked, this, [this] { step(Text7, -5, kPlain); });
  connect(command16, &QPushButton::clicked, this, [this] { step(Text7, +5, kPlain); });

  for (ColourButton* b : {Command3, Command7, Command8})
    connect(b, &QPushButton::clicked, this, [this, b] { chooseColour(b); });

  connect(command4, &QPushButton::clicked, this, &Form1::saveTemplate);
  connect(command15, &QPushButton::clicked, this, [this] { applySettings(tessaro::SectorSettings{}); });
  connect(command19, &QPushButton::clicked, this, &Form1::deleteTemplates);
  connect(List1, &QListWidget::itemDoubleClicked, this, &Form1::restoreTemplates);

  connect(command1, &QPushButton::clicked, this, &Form1::generate);
}

void Form1::openFile() {
  if (ChooseWorkbook(this, Text1, &fileName_)) ListSheets(Combo5, Text1->text());
}

void Form1::chooseSheet(int index) {
  if (index < 0) return;
  const QString sheet = Combo5->itemText(index);
  ProposeName(Text6, fileName_, sheet, QStringLiteral(".kml"));
  const QStringList headers = FillColumnLists(Text1->text(), sheet, {Combo1, Combo2, Combo3, Combo4, Combo6});
  ApplyDetection(headers, {{tessaro::Role::Name, Combo1},
                           {tessaro::Role::Lon, Combo2},
                           {tessaro::Role::Lat, Combo3},
                           {tessaro::Role::Azimuth, Combo4}});
}

void Form1::guardDescription() {
  const QString chosen = Combo6->currentText();
  if (chosen == Combo2->currentText() || chosen == Combo3->currentText() || chosen == Combo4->currentText()) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("不能选择该值"));
    Combo6->setCurrentIndex(-1);
    Combo6->setEditText(QString());
    Check1->setChecked(false);
  }
}

void Form1::chooseColour(ColourButton* button) {
  if (auto c = dialogs().colour(this, ColourFromValue(button->value()))) button->setValue(ValueFromColour(*c));
}

void Form1::step(QLineEdit* box, double by, int style) {
  const double v = tessaro::LeadingNumber(Utf8(box->text())) + by;
  if (v < 0) {
    box->setText(style == kPercent ? QStringLiteral("0%") : QStringLiteral("0"));
    return;
  }
  switch (style) {
    case kPercent:
      box->setText(v > 100 ? QStringLiteral("100%") : FromUtf8(tessaro::NumberText(v)) + "%");
      break;
    case kOneDecimal:
      box->setText(FromUtf8(tessaro::FixedText(v, 1)));
      break;
    default:
      box->setText(FromUtf8(tessaro::NumberText(v)));
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

void Form1::RefreshTemplateList() {
  List1->clear();
  for (const auto& name : tessaro::ListSectorTemplates(tessaro::SaveFolder())) List1->addItem(FromUtf8(name));
}

void Form1::saveTemplate() {
  auto name = dialogs().input(this, QStringLiteral("保存设置"),
                              QStringLiteral("请输入要保存设置的文件名，建议分类保存，如TD、GSM、等 。"),
                              QStringLiteral("Default"));
  if (!name) return;
  try {
    tessaro::SaveSectorTemplate(tessaro::SaveFolder(), Utf8(*name), settings());
  } catch (const std::exception& e) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("无法保存设置模版：") + FromUtf8(e.what()));
    return;
  }
  RefreshTemplateList();
}

void Form1::restoreTemplates() {
  // Every selected entry from the first to the last; the last one read wins.
  for (int i = 0; i < List1->count(); ++i) {
    QListWidgetItem* item = List1->item(i);
    if (!item->isSelected()) continue;
    try {
      applySettings(tessaro::LoadSectorTemplate(tessaro::SaveFolder(), Utf8(item->text())));
    } catch (const std::exception& e) {
      dialogs().message(this, QStringLiteral("友情提示"),
                        QStringLiteral("无法读取设置模版，当前设置保持不变：") + FromUtf8(e.what()));
    }
  }
}

void Form1::deleteTemplates() {
  QStringList chosen;
  for (int i = 0; i < List1->count(); ++i)
    if (List1->item(i)->isSelected()) chosen << List1->item(i)->text();
  if (chosen.isEmpty()) return;
  if (!dialogs().question(this, kHint,
                          QStringLiteral("您是否确定要删除所选择的设置模版？一旦删除，模版将永久丢失！")))
    return;
  QStringList failures;
  for (const QString& entry : chosen) {
    try {
      tessaro::DeleteSectorTemplate(tessaro::SaveFolder(), Utf8(entry));
    } catch (const std::exception& e) {
      failures << FromUtf8(e.what());
    }
  }
  RefreshTemplateList();
  if (!failures.isEmpty()) dialogs().message(this, QStringLiteral("友情提示"), failures.join('\n'));
}

void Form1::generate() {
  if (IsRunning(this)) return;
  tessaro::KmlSectorParams p;
  p.workbook = Utf8(Text1->text());
  p.sheet = Utf8(Combo5->currentText());
  p.nameColumn = Utf8(Combo1->currentText());
  p.lonColumn = Utf8(Combo2->currentText());
  p.latColumn = Utf8(Combo3->currentText());
  p.azimuthColumn = Utf8(Combo4->currentText());
  p.useDescription = Check1->isChecked();
  p.descriptionColumn = Utf8(Combo6->currentText());
  const tessaro::SectorSettings s = settings();
  p.opacity = s.opacity;
  p.outlineWidth = s.outlineWidth;
  p.labelScale = s.labelScale;
  p.radius = s.radius;
  p.altitude = s.altitude;
  p.beamwidth = s.beamwidth;
  p.outlineColour = s.outlineColour;
  p.fillColour = s.fillColour;
  p.labelColour = s.labelColour;
  // A bare name lands in the current folder, which the open-file dialog left
  // at the workbook's folder; fix it now, the job runs on another thread.
  p.output = tessaro::AbsolutePath(Utf8(Text6->text()));
  RunInBackground(
      this, Pro1, [p](tessaro::Progress& progress) { tessaro::GenerateKmlSector(p, progress); },
      [this](std::exception_ptr error) {
        if (!error) {
          dialogs().message(this, kHint, QStringLiteral("Kml文件已生成！"));
          return;
        }
        const QString reason = ErrorReason(error);
        dialogs().message(this, kHint, QStringLiteral("请正确设置信息！"), reason);
      });
}

}  // namespace tessaro::ui
