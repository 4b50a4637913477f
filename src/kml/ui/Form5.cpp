#include "kml/ui/Form5.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/RunPanel.h"
#include "templates/SaveFolder.h"

namespace tessaro::ui {

namespace {

const char* const kMatchDesign[3] = {"匹配图标数据-1", "匹配图标数据-2", "匹配图标数据-3"};
const char* const kIconDesign[3] = {"选择图标-1", "选择图标-2", "选择图标-3"};
const char* const kImageNames[3] = {"Image1", "Image2", "Image3"};
const char* const kIconListNames[3] = {"Combo8", "Combo9", "Combo10"};

// A list's column name; a list still showing its design text has none.
std::string ColumnOf(const QComboBox* list, const char* designText) {
  const QString text = list->currentText();
  if (text == QString::fromUtf8(designText) && list->findText(text) < 0) return {};
  return Utf8(text);
}

QString IconFolder() { return FromUtf8(tessaro::SaveFolder() + "icon/"); }

}  // namespace

Form5::Form5(QWidget* parent)
    : LayerWindow("Form5", QStringLiteral("CQT 地标"),
                  {QStringLiteral("打开需要转换成Kml的Excel文件！"), QStringLiteral("可自定义要保存的Kml文件名"),
                   QStringLiteral(".kml"), true},
                  "Command1", QStringLiteral("生成Kml"), false, parent) {
  auto* columns = new QHBoxLayout;
  columns->setSpacing(10);
  columns->addLayout(pointRows(), 1);
  columns->addLayout(iconRows(), 1);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(4, 2, 4, 4);
  all->setSpacing(4);
  all->addWidget(picker());
  all->addLayout(columns);
  all->addStretch(1);
  all->addWidget(runPanel());
  offerExtras({Extra::Attributes, Extra::Kmz, Extra::Regionate});

  // Window load: default icon, group controls off, previews and icon lists.
  Option1->setChecked(true);
  setGroupsEnabled(false);
  for (QLabel* image : images_) showPreview(image, QStringLiteral("点图标"));
  fillIconLists();

  connect(Check1, &QCheckBox::toggled, Combo6, &QWidget::setEnabled);
  connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) ListDataValues();
    setGroupsEnabled(on);
  });
  // Another data column offers other values to match.
  connect(Combo4, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
    if (index >= 0 && Option2->isChecked()) ListDataValues();
  });
  for (std::size_t i = 0; i < 3; ++i) {
    connect(icons_[i], qOverload<int>(&QComboBox::currentIndexChanged), this, [this, i](int index) {
      if (index >= 0) showPreview(images_[i], icons_[i]->itemText(index));
    });
  }
  connect(generateButton(), &QPushButton::clicked, this, &Form5::generate);
}

// Left: sheet, name, coordinates, data, description and the output name.
QGridLayout* Form5::pointRows() {
  Combo1 = NewColumnList(this, "Combo1", QStringLiteral("地标名称"));
  Combo2 = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  Combo3 = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  Combo4 = NewColumnList(this, "Combo4", QStringLiteral("选择数据"));
  Check1 = new QCheckBox(QStringLiteral("描述"), this);
  Check1->setObjectName("Check1");
  Combo6 = NewColumnList(this, "Combo6", QStringLiteral("勾选-自定义"));
  Combo6->setEnabled(false);
  QComboBox* combo5 = picker()->addSheetList(
      "Combo5", QStringLiteral("选择Excel表"), {Combo1, Combo2, Combo3, Combo4, Combo6},
      {{tessaro::Role::Name, Combo1}, {tessaro::Role::Lon, Combo2}, {tessaro::Role::Lat, Combo3}});
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(3);
  const std::pair<QString, QWidget*> rows[] = {
      {QStringLiteral("数据源："), combo5}, {QStringLiteral("名称："), Combo1}, {QStringLiteral("经度："), Combo2},
      {QStringLiteral("纬度："), Combo3},   {QStringLiteral("数据："), Combo4}, {QString(), Combo6},
      {QStringLiteral("Kml文件名："), picker()->text6()}};
  int row = 0;
  for (const auto& [caption, control] : rows) {
    if (control == Combo6) {
      grid->addWidget(Check1, row, 0, Qt::AlignRight);
      NameField(Combo6, QStringLiteral("描述列"));
    } else {
      grid->addWidget(NewCaption(this, caption, control), row, 0);
    }
    grid->addWidget(control, row++, 1);
  }
  grid->setColumnStretch(1, 1);
  return grid;
}

// Right: the icon mode, the three icon groups and the icon size.
QGridLayout* Form5::iconRows() {
  Option1 = new QRadioButton(QStringLiteral("默认点图标"), this);
  Option1->setObjectName("Option1");
  Option2 = new QRadioButton(QStringLiteral("自定义图标"), this);
  Option2->setObjectName("Option2");
  auto* mode = new QButtonGroup(this);
  mode->addButton(Option1);
  mode->addButton(Option2);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(3);
  grid->addWidget(Option1, 0, 0, 1, 2);
  grid->addWidget(Option2, 0, 2, 1, 2);
  for (int k = 0; k < 3; ++k) {
    const auto i = static_cast<std::size_t>(k);
    check2_[i] = new QCheckBox(QStringLiteral("启用"), this);
    check2_[i]->setObjectName(QStringLiteral("Check2_%1").arg(k));
    check2_[i]->setProperty("index", k);
    combo7_[i] = NewColumnList(this, QStringLiteral("Combo7_%1").arg(k), QString::fromUtf8(kMatchDesign[k]));
    combo7_[i]->setProperty("index", k);
    icons_[i] = NewColumnList(this, kIconListNames[k], QString::fromUtf8(kIconDesign[k]));
    images_[i] = new QLabel(this);
    images_[i]->setObjectName(kImageNames[k]);
    images_[i]->setFixedSize(30, 30);
    images_[i]->setAlignment(Qt::AlignCenter);
    NameField(combo7_[i], QString::fromUtf8(kMatchDesign[k]));
    NameField(icons_[i], QString::fromUtf8(kIconDesign[k]));
    grid->addWidget(check2_[i], k + 1, 0);
    grid->addWidget(combo7_[i], k + 1, 1);
    grid->addWidget(icons_[i], k + 1, 2);
    grid->addWidget(images_[i], k + 1, 3);
  }
  Text2 = NewNumberBox(this, "Text2", QStringLiteral("0.8"), 60);
  grid->addWidget(NewCaption(this, QStringLiteral("图标大小："), Text2), 4, 0, 1, 2);
  grid->addWidget(Text2, 4, 2, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);
  return grid;
}

void Form5::fillIconLists() {
  QStringList names;
  for (const std::string& file : tessaro::ListFiles(tessaro::SaveFolder() + "icon/", ".gif"))
    names << FromUtf8(file.substr(0, file.size() - 4));
  for (std::size_t i = 0; i < 3; ++i) {
    icons_[i]->blockSignals(true);
    icons_[i]->addItems(names);
    icons_[i]->blockSignals(false);
    SetListQuietly(icons_[i], -1, QString::fromUtf8(kIconDesign[i]));
  }
}

void Form5::setGroupsEnabled(bool enabled) {
  for (std::size_t i = 0; i < 3; ++i) {
    check2_[i]->setEnabled(enabled);
    combo7_[i]->setEnabled(enabled);
    icons_[i]->setEnabled(enabled);
  }
}

void Form5::showPreview(QLabel* image, const QString& iconName) {
  // A missing or unreadable picture leaves the preview empty.
  QPixmap picture(IconFolder() + iconName + ".gif");
  if (picture.isNull()) {
    image->clear();
    return;
  }
  image->setPixmap(picture.scaled(image->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void Form5::ListDataValues() {
  std::vector<std::string> values;
  try {
    values = tessaro::ListDataValues(Utf8(picker()->text1()->text()), Utf8(picker()->sheetList()->currentText()),
                                     ColumnOf(Combo4, "选择数据"));
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
    list->blockSignals(false);
    const int keep = list->findText(before);
    SetListQuietly(list, keep, QString::fromUtf8(kMatchDesign[i]));
  }
}

tessaro::LandmarkParams Form5::params() const {
  tessaro::LandmarkParams p;
  p.workbook = Utf8(picker()->text1()->text());
  p.sheet = Utf8(picker()->sheetList()->currentText());
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
  p.attributes = extras().attributes;
  p.outputOptions.regionate = extras().regionate;
  p.output = Utf8(picker()->text6()->text());
  return p;
}

void Form5::generate() {
  tessaro::LandmarkParams p = params();
  if (tessaro::NoCustomIconEnabled(p)) {
    dialogs().message(this, QString::fromUtf8(tessaro::kNoCustomIconTitle), QString::fromUtf8(NoCustomIconError().what()));
    return;
  }
  // The data column matters only to custom icons: with the default pushpin
  // the layer needs none.
  QList<Needed> needed = {{picker()->sheetList(), QStringLiteral("数据源"), true},
                          {Combo1, QStringLiteral("名称列")},
                          {Combo2, QStringLiteral("经度列")},
                          {Combo3, QStringLiteral("纬度列")}};
  if (p.customIcons) needed.append({Combo4, QStringLiteral("数据列")});
  if (p.withDescription) needed.append({Combo6, QStringLiteral("描述列")});
  const auto output = outputForRun({QString()}, tessaro::kLandmarkMessages, needed);
  if (!output) return;
  p.output = Utf8(*output);
  runLayer(tessaro::kLandmarkMessages, {*output},
           [p](tessaro::Progress& progress) { tessaro::GenerateLandmarkKml(p, progress); });
}

}  // namespace tessaro::ui
