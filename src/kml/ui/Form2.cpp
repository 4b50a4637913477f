#include "kml/ui/Form2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "templates/SaveFolder.h"

namespace tessaro::ui {

namespace {

QCheckBox* NewCheck(QWidget* parent, const char* name, const QString& text) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  return c;
}

}  // namespace

Form2::Form2(QWidget* parent) : DriveTestWindow(DriveTestSettings::Kind::Kml, "Form2", parent) {
  addOptionRows();
  finishLayout({combo1_, combo2_, combo3_, combo4_, combo6_});
  offerExtras({Extra::TimeColumn, Extra::Legend, Extra::Attributes, Extra::Kmz, Extra::Regionate, Extra::Grid,
               Extra::ColourBy});
  // "默认值" also resets the prefix lengths, after the shared values.
  connect(settings_->resetButton(), &QPushButton::clicked, this, [this] {
    text14_->setText(QStringLiteral("8"));
    text15_->setText(QStringLiteral("7"));
  });
  fillIcons();
  showIcon(QStringLiteral("点图标"));
  connectChecks();
  connect(combo7_, &QComboBox::activated, this, [this] { showIcon(combo7_->currentText()); });
  connect(generateButton(), &QPushButton::clicked, this, &Form2::generate);
}

// Data, name, description, binning and icon rows below longitude/latitude.
void Form2::addOptionRows() {
  check3_ = NewCheck(this, "Check3", QStringLiteral("数据："));
  check3_->setChecked(true);
  check2_ = NewCheck(this, "Check2", QStringLiteral("点名"));
  combo1_ = NewColumnList(this, "Combo1", QStringLiteral("DIY显示名"));
  combo1_->setEnabled(false);
  check1_ = NewCheck(this, "Check1", QStringLiteral("描述："));
  combo6_ = NewColumnList(this, "Combo6", QStringLiteral("勾选-自定义"));
  combo6_->setEnabled(false);
  check4_ = NewCheck(this, "Check4", QStringLiteral("取经纬度前几位："));
  text14_ = NewNumberBox(this, "Text14", QStringLiteral("8"), 26);
  text15_ = NewNumberBox(this, "Text15", QStringLiteral("7"), 26);
  combo7_ = NewColumnList(this, "Combo7", QStringLiteral("点图标"));
  image1_ = new QLabel(this);
  image1_->setObjectName("Image1");
  image1_->setAlignment(Qt::AlignCenter);
  image1_->setFrameShape(QFrame::StyledPanel);
  image1_->setFixedSize(52, 52);

  auto* binning = new QHBoxLayout;
  binning->setSpacing(2);
  binning->addWidget(check4_);
  binning->addWidget(text14_);
  binning->addWidget(text15_);
  binning->addStretch(1);
  QGridLayout* g = rows();
  g->addWidget(check3_, 1, 0);
  g->addWidget(combo4_, 1, 1);
  g->addWidget(check2_, 1, 2);
  g->addWidget(combo1_, 1, 3);
  g->addWidget(check1_, 2, 0);
  g->addWidget(combo6_, 2, 1);
  g->addLayout(binning, 2, 2, 1, 2);
  g->addWidget(NewCaption(this, QStringLiteral("点图标"), combo7_), 3, 0);
  // The lists and boxes a check box names.
  NameField(combo4_, QStringLiteral("数据列"));
  NameField(combo1_, QStringLiteral("点名列"));
  NameField(combo6_, QStringLiteral("描述列"));
  NameField(text14_, QStringLiteral("经度取前几位"));
  NameField(text15_, QStringLiteral("纬度取前几位"));
  g->addWidget(combo7_, 3, 1);
  // The preview spans the icon row and the scale row the window adds next.
  g->addWidget(image1_, 3, 2, 2, 2, Qt::AlignLeft | Qt::AlignVCenter);
}

void Form2::connectChecks() {
  connect(check1_, &QCheckBox::clicked, combo6_, &QWidget::setEnabled);
  connect(check2_, &QCheckBox::clicked, combo1_, &QWidget::setEnabled);
  connect(check3_, &QCheckBox::clicked, this, [this](bool on) {
    if (!on)
      dialogs().message(this, QStringLiteral("友情提示"),
                        QStringLiteral("已禁用阀值，请在【显示点名称】设置点需要显示的名称，本功能适合CQT！"));
    // Without colours the layer is a layer of named points.
    check2_->setChecked(!on);
    combo1_->setEnabled(!on);
  });
  connect(combo6_, &QComboBox::activated, this, [this] { guardColumn(combo6_, check1_); });
  connect(combo1_, &QComboBox::activated, this, [this] { guardColumn(combo1_, check2_); });
}

// A name or description column may not be a coordinate column.
void Form2::guardColumn(QComboBox* list, QCheckBox* box) {
  const QString chosen = list->currentText();
  if (chosen != combo2_->currentText() && chosen != combo3_->currentText()) return;
  dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("不能选择该值"));
  list->setEditText(QString());
  box->setChecked(false);
  list->setEnabled(false);
}

void Form2::fillIcons() {
  QStringList names;
  for (const auto& f : tessaro::ListFiles(tessaro::SaveFolder() + "icon/", ".gif"))
    names << FromUtf8(f.substr(0, f.size() - 4));
  combo7_->blockSignals(true);
  combo7_->clear();
  combo7_->addItems(names);
  combo7_->blockSignals(false);
  SetListQuietly(combo7_, -1, QStringLiteral("点图标"));
}

void Form2::showIcon(const QString& name) {
  // A missing or unreadable picture leaves the preview empty.
  QPixmap picture(FromUtf8(tessaro::SaveFolder() + "icon/") + name + ".gif");
  if (picture.isNull()) {
    image1_->clear();
    return;
  }
  image1_->setPixmap(picture.scaled(image1_->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

tessaro::KmlDriveTestParams Form2::params() const {
  tessaro::KmlDriveTestParams p;
  readShared(p);
  p.colour = check3_->isChecked();
  p.name = check2_->isChecked();
  p.nameColumn = Utf8(combo1_->currentText());
  p.description = check1_->isChecked();
  p.descriptionColumn = Utf8(combo6_->currentText());
  p.binning = check4_->isChecked();
  p.lonChars = Utf8(text14_->text());
  p.latChars = Utf8(text15_->text());
  p.icon = Utf8(combo7_->currentText());
  p.scale = Utf8(settings_->text2()->text());
  const ExtraValues more = extras();
  p.legendImage = more.legend;
  p.timeColumn = Utf8(more.timeColumn);
  if (!p.timeColumn.empty()) p.timeDate = Utf8(more.timeDate);
  p.attributes = more.attributes;
  p.outputOptions.regionate = more.regionate;
  p.grid = GridOptionOf(more);
  p.colourBy = CategoryOptionOf(more);
  return p;
}

void Form2::generate() {
  QList<Needed> needed = neededLists();
  if (check2_->isChecked()) needed.append({combo1_, QStringLiteral("点名列")});
  if (check1_->isChecked()) needed.append({combo6_, QStringLiteral("描述列")});
  const auto output = checkedOutput(tessaro::kKmlDriveTestMessages, needed);
  if (!output) return;
  tessaro::KmlDriveTestParams p = params();
  p.output = Utf8(*output);
  // The legend image beside a KML is replaced with it.
  QStringList paths;
  for (const std::string& path : tessaro::KmlDriveTestFiles(p)) paths << FromUtf8(path);
  if (!picker()->confirmReplace(paths)) return;
  runLayer(tessaro::kKmlDriveTestMessages, paths,
           [p](tessaro::Progress& progress) { tessaro::GenerateKmlDriveTest(p, progress); });
}

}  // namespace tessaro::ui
