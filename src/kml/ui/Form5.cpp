#include "kml/ui/Form5.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "common/OutputFile.h"
#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"
#include "templates/SaveFolder.h"

namespace tessaro::ui {

namespace {

const char* const kMatchDesign[3] = {"匹配图标数据-1", "匹配图标数据-2", "匹配图标数据-3"};
const char* const kIconDesign[3] = {"选择图标-1", "选择图标-2", "选择图标-3"};
const char* const kImageNames[3] = {"Image1", "Image2", "Image3"};
const char* const kIconListNames[3] = {"Combo8", "Combo9", "Combo10"};

QLabel* Caption(QWidget* parent, const QString& text, int x, int y, int w) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 22);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return l;
}

// A list's column name; a list still showing its design text has none.
std::string ColumnOf(const QComboBox* list, const char* designText) {
  const QString text = list->currentText();
  if (text == QString::fromUtf8(designText) && list->findText(text) < 0) return {};
  return Utf8(text);
}

QString IconFolder() { return FromUtf8(tessaro::SaveFolder() + "icon/"); }

}  // namespace

Form5::Form5(QWidget* parent) : QWidget(parent) {
  setObjectName("Form5");
  setWindowTitle(QStringLiteral("CQT 地标"));
  // Fits the main window's client area below the sub-window's title bar,
  // also when a window manager's title bar takes its share of the 360
  // pixels (288 left with a 20-pixel title bar).
  setMinimumSize(588, 282);

  auto* frame = new QGroupBox(QStringLiteral("文件目录"), this);
  frame->setObjectName("Frame1");
  frame->setGeometry(4, 0, 580, 50);
  Text1 = new QLineEdit(QStringLiteral("打开需要转换成Kml的Excel文件！"), frame);
  Text1->setObjectName("Text1");
  Text1->setGeometry(8, 20, 478, 24);
  Command2 = new QPushButton(QStringLiteral("打开文件"), frame);
  Command2->setObjectName("Command2");
  Command2->setGeometry(492, 19, 80, 26);

  // Left column: sheet, columns, scale and file name.
  const int lx = 4, lw = 74, fx = 80, fw = 190, rowH = 26;
  int y = 56;
  Caption(this, QStringLiteral("数据源："), lx, y, lw);
  Combo5 = new QComboBox(this);
  Combo5->setObjectName("Combo5");
  Combo5->setEditable(true);
  Combo5->setInsertPolicy(QComboBox::NoInsert);
  Combo5->setEditText(QStringLiteral("选择Excel表"));
  Combo5->setGeometry(fx, y, fw, 22);
  y += rowH;
  Caption(this, QStringLiteral("名称："), lx, y, lw);
  Combo1 = NewColumnList(this, "Combo1", QStringLiteral("地标名称"));
  Combo1->setGeometry(fx, y, fw, 22);
  y += rowH;
  Caption(this, QStringLiteral("经度："), lx, y, lw);
  Combo2 = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  Combo2->setGeometry(fx, y, fw, 22);
  y += rowH;
  Caption(this, QStringLiteral("纬度："), lx, y, lw);
  Combo3 = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  Combo3->setGeometry(fx, y, fw, 22);
  y += rowH;
  Caption(this, QStringLiteral("数据："), lx, y, lw);
  Combo4 = NewColumnList(this, "Combo4", QStringLiteral("选择数据"));
  Combo4->setGeometry(fx, y, fw, 22);
  y += rowH;
  Check1 = new QCheckBox(QStringLiteral("描述"), this);
  Check1->setObjectName("Check1");
  Check1->setGeometry(lx + 20, y, lw - 20, 22);
  Combo6 = NewColumnList(this, "Combo6", QStringLiteral("勾选-自定义"));
  Combo6->setGeometry(fx, y, fw, 22);
  Combo6->setEnabled(false);
  y += rowH;
  Caption(this, QStringLiteral("图标大小："), lx, y, lw);
  Text2 = new QLineEdit(QStringLiteral("0.8"), this);
  Text2->setObjectName("Text2");
  Text2->setGeometry(fx, y, 60, 22);
  y += rowH;
  Caption(this, QStringLiteral("Kml文件名："), lx, y, lw);
  Text6 = new QLineEdit(QStringLiteral("可自定义要保存的Kml文件名"), this);
  Text6->setObjectName("Text6");
  Text6->setGeometry(fx, y, 504, 22);

  // Right column: icon mode and the three icon groups.
  const int rx = 284;
  Option1 = new QRadioButton(QStringLiteral("默认点图标"), this);
  Option1->setObjectName("Option1");
  Option1->setGeometry(rx, 56, 110, 22);
  Option2 = new QRadioButton(QStringLiteral("自定义图标"), this);
  Option2->setObjectName("Option2");
  Option2->setGeometry(rx + 120, 56, 110, 22);
  auto* mode = new QButtonGroup(this);
  mode->addButton(Option1);
  mode->addButton(Option2);

  for (int k = 0; k < 3; ++k) {
    const auto i = static_cast<std::size_t>(k);
    const int gy = 86 + k * 38;
    check2_[i] = new QCheckBox(QStringLiteral("启用"), this);
    check2_[i]->setObjectName(QStringLiteral("Check2_%1").arg(k));
    check2_[i]->setProperty("index", k);
    check2_[i]->setGeometry(rx, gy + 5, 54, 22);
    combo7_[i] = NewColumnList(this, QStringLiteral("Combo7_%1").arg(k), QString::fromUtf8(kMatchDesign[k]));
    combo7_[i]->setProperty("index", k);
    combo7_[i]->setGeometry(rx + 56, gy + 5, 118, 22);
    icons_[i] = NewColumnList(this, kIconListNames[k], QString::fromUtf8(kIconDesign[k]));
    icons_[i]->setGeometry(rx + 178, gy + 5, 84, 22);
    images_[i] = new QLabel(this);
    images_[i]->setObjectName(kImageNames[k]);
    images_[i]->setGeometry(rx + 266, gy, 32, 32);
    images_[i]->setAlignment(Qt::AlignCenter);
  }

  Command1 = new QPushButton(QStringLiteral("生成Kml"), this);
  Command1->setObjectName("Command1");
  Command1->setGeometry(rx + 150, 200, 130, 30);
  Pro1 = new QProgressBar(this);
  Pro1->setObjectName("Pro1");
  Pro1->setGeometry(4, 264, 580, 16);
  Pro1->setRange(0, 1);
  Pro1->setValue(0);
  Pro1->setTextVisible(false);

  // Window load: default icon, group controls off, previews and icon lists.
  Option1->setChecked(true);
  SetGroupsEnabled(false);
  for (QLabel* image : images_) ShowPreview(image, QStringLiteral("点图标"));
  for (const std::string& file : tessaro::ListFiles(tessaro::SaveFolder() + "icon/", ".gif")) {
    const QString name = FromUtf8(file.substr(0, file.size() - 4));
    for (std::size_t i = 0; i < 3; ++i) {
      QComboBox* list = icons_[i];
      list->blockSignals(true);
      list->addItem(name);
      list->setCurrentIndex(-1);
      list->setEditText(QString::fromUtf8(kIconDesign[i]));
      list->blockSignals(false);
    }
  }

  connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
  connect(Combo5, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
    if (index >= 0) Combo5_Click();
  });
  connect(Check1, &QCheckBox::toggled, Combo6, &QWidget::setEnabled);
  connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) {
      ListDataValues();
      SetGroupsEnabled(true);
    } else {
      SetGroupsEnabled(false);
    }
  });
  for (std::size_t i = 0; i < 3; ++i) {
    connect(icons_[i], qOverload<int>(&QComboBox::currentIndexChanged), this, [this, i](int index) {
      if (index >= 0) ShowPreview(images_[i], icons_[i]->itemText(index));
    });
  }
  connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
}

void Form5::SetGroupsEnabled(bool enabled) {
  for (std::size_t i = 0; i < 3; ++i) {
    check2_[i]->setEnabled(enabled);
    combo7_[i]->setEnabled(enabled);
    icons_[i]->setEnabled(enabled);
  }
}

void Form5::ShowPreview(QLabel* image, const QString& iconName) {
  // A missing or unreadable picture leaves the preview empty.
  QPixmap picture(IconFolder() + iconName + ".gif");
  if (picture.isNull()) {
    image->clear();
    return;
  }
  image->setPixmap(picture.scaled(image->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void Form5::Command2_Click() {
  if (!ChooseWorkbook(this, Text1, &fileName_)) return;
  ListSheets(Combo5, Text1->text());
}

void Form5::Combo5_Click() {
  const QString sheet = Combo5->currentText();
  ProposeName(Text6, fileName_, sheet, QStringLiteral(".kml"));
  const QStringList headers = FillColumnLists(Text1->text(), sheet, {Combo1, Combo2, Combo3, Combo4, Combo6});
  ApplyDetection(headers, {{tessaro::Role::Name, Combo1}, {tessaro::Role::Lon, Combo2}, {tessaro::Role::Lat, Combo3}});
}

void Form5::ListDataValues() {
  std::vector<std::string> values;
  try {
    values = tessaro::ListDataValues(Utf8(Text1->text()), Utf8(Combo5->currentText()), ColumnOf(Combo4, "选择数据"));
  } catch (const std::exception& e) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("请确定已在下拉框中选择了数据,否则将会出错。"),
                      QString::fromUtf8(e.what()));
    return;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    QComboBox* list = combo7_[i];
    // A value chosen before stays chosen when it is still offered.
    const QString before = list->currentText();
    list->blockSignals(true);
    list->clear();
    for (const auto& v : values) list->addItem(FromUtf8(v));
    const int keep = list->findText(before);
    list->setCurrentIndex(keep);
    if (keep < 0) list->setEditText(QString::fromUtf8(kMatchDesign[i]));
    list->blockSignals(false);
  }
}

tessaro::LandmarkParams Form5::Params() const {
  tessaro::LandmarkParams p;
  p.workbook = Utf8(Text1->text());
  p.sheet = Utf8(Combo5->currentText());
  p.nameColumn = ColumnOf(Combo1, "地标名称");
  p.lonColumn = ColumnOf(Combo2, "选择经度");
  p.latColumn = ColumnOf(Combo3, "选择纬度");
  p.dataColumn = ColumnOf(Combo4, "选择数据");
  p.withDescription = Check1->isChecked();
  if (p.withDescription) p.descriptionColumn = ColumnOf(Combo6, "勾选-自定义");
  p.customIcons = Option2->isChecked();
  for (std::size_t i = 0; i < 3; ++i) {
    p.groups[i].enabled = check2_[i]->isChecked();
    p.groups[i].value = Utf8(combo7_[i]->currentText());
    p.groups[i].icon = Utf8(icons_[i]->currentText());
  }
  p.scale = Utf8(Text2->text());
  // A bare name is relative to the current folder (the workbook's, once one
  // was opened); fixed here because the job runs on another thread.
  p.output = tessaro::AbsolutePath(Utf8(Text6->text()));
  return p;
}

void Form5::Command1_Click() {
  if (IsRunning(this)) return;
  const tessaro::LandmarkParams p = Params();
  if (tessaro::NoCustomIconEnabled(p)) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("没有启用任何自定义图标"));
    return;
  }
  RunInBackground(
      this, Pro1, [p](tessaro::Progress& progress) { tessaro::GenerateLandmarkKml(p, progress); },
      [this](std::exception_ptr error) {
        if (!error) {
          dialogs().message(this, QStringLiteral("友情提示！"), QStringLiteral("Kml文件已生成！"));
          return;
        }
        const QString reason = ErrorReason(error);
        dialogs().message(this, QStringLiteral("友情提示！"), QStringLiteral("请正确设置信息！"), reason);
      });
}

}  // namespace tessaro::ui
