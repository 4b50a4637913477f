#include "widgets/MoreOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "analysis/Grid.h"
#include "common/OutputPath.h"
#include "kml/TimeStamp.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/WorkbookPicker.h"

namespace tessaro::ui {

namespace {

// One option's control in the dialog, in the order shown.
struct Row {
  Extra extra;
  const char* objectName;
  const char* caption;
  const char* tip;
};

const Row kColumnRows[] = {
    {Extra::BeamwidthColumn, "BeamwidthColumn", "波瓣宽度列：", "每行自己的半功率角；单元格为空时用窗口中的值"},
    {Extra::RadiusColumn, "RadiusColumn", "半径列：", "每行自己的扇区半径(m)；单元格为空时用窗口中的值"},
    {Extra::FolderColumn, "FolderColumn", "按列分文件夹：", "该列每个不同的值（如站点）一个文件夹"},
    {Extra::TimeColumn, "TimeColumn", "时间列：", "每个点的时间，供 Google Earth 的时间滑块回放"},
    {Extra::ColourBy, "ColourBy", "按列着色：", "该列每个不同的值（或取模后的余数）一种颜色，如按 PCI 模 3、按服务小区"},
};

// Boxes typed into, each after the column rows.
struct TextRow {
  Extra extra;
  const char* objectName;
  const char* caption;
  const char* tip;
  const char* placeholder;
  QString ExtraValues::*value;
};

const TextRow kTextRows[] = {
    {Extra::ColourBy, "ColourMod", "取模：", "整数列按除以该数的余数分类（如 PCI 模 3）；空或非整数的单元格归入“其他”（灰色）",
     "不取模", &ExtraValues::colourMod},
    {Extra::Grid, "GridSize", "栅格（米）：", "按 UTM 方格（5～1000 米）统计，每格一个色块，代替逐点绘制",
     "不划分栅格", &ExtraValues::gridSize},
};

const Row kCheckRows[] = {
    {Extra::Legend, "Legend", "图例", "左下角显示色阶图例和各区间的点数"},
    {Extra::Attributes, "Attributes", "属性表", "在气泡中以表格列出该行的每一列"},
    {Extra::Kmz, "Kmz", "保存为 KMZ", "图层和它用到的图标、图例打包成一个文件"},
    {Extra::Regionate, "Regionate", "分级加载（大图层）",
     "几十万点以上的图层：按视野分块加载，Google Earth 缩放平移仍流畅（保存为 KMZ）"},
};

QString* ColumnOf(ExtraValues& v, Extra e) {
  switch (e) {
    case Extra::BeamwidthColumn: return &v.beamwidthColumn;
    case Extra::RadiusColumn: return &v.radiusColumn;
    case Extra::FolderColumn: return &v.folderColumn;
    case Extra::TimeColumn: return &v.timeColumn;
    case Extra::ColourBy: return &v.colourBy;
    default: return nullptr;
  }
}

bool* TickOf(ExtraValues& v, Extra e) {
  switch (e) {
    case Extra::Attributes: return &v.attributes;
    case Extra::Legend: return &v.legend;
    case Extra::Regionate: return &v.regionate;
    default: return nullptr;
  }
}

bool IsKmz(const QString& name) { return tessaro::IsKmzName(Utf8(name)); }

}  // namespace

tessaro::GridOption GridOptionOf(const ExtraValues& v) {
  tessaro::GridOption o;
  o.size = Utf8(v.gridSize);
  o.stat = tessaro::ParseGridStat(Utf8(v.gridStat)).value_or(tessaro::GridStat::Mean);
  return o;
}

tessaro::CategoryOption CategoryOptionOf(const ExtraValues& v) {
  return {Utf8(v.colourBy), Utf8(v.colourMod)};
}

QString WithKmzExtension(const QString& name, bool kmz) {
  if (name.isEmpty()) return name;
  const bool isKmz = IsKmz(name);
  if (!kmz) return isKmz ? name.chopped(4) + ".kml" : name;
  if (isKmz) return name;
  return (name.endsWith(".kml", Qt::CaseInsensitive) ? name.chopped(4) : name) + ".kmz";
}

MoreOptions::MoreOptions(Extras offered, WorkbookPicker* picker, QWidget* window)
    : QObject(window), offered_(offered), picker_(picker), window_(window) {
  button_ = NewButton(window, "More", QStringLiteral("更多选项…"));
  connect(button_, &QPushButton::clicked, this, &MoreOptions::open);
  connect(picker_, &WorkbookPicker::sheetChosen, this, &MoreOptions::followSheet);
  // Only what the user types changes the wish; a proposed name follows it.
  // A typed name that is no KMZ cannot hold tiles either.
  connect(picker_->text6(), &QLineEdit::textEdited, this, [this](const QString& text) {
    kmz_ = IsKmz(text);
    if (!kmz_) values_.regionate = false;
  });
}

ExtraValues MoreOptions::values() const {
  ExtraValues v = values_;
  const QStringList headers = picker_->columnNames();
  for (const Row& r : kColumnRows) {
    QString* column = ColumnOf(v, r.extra);
    if (!headers.contains(*column)) column->clear();
  }
  return v;
}

void MoreOptions::open() {
  const std::unique_ptr<QDialog> dialog(buildDialog());
  if (dialogs().exec(*dialog)) take(*dialog);
}

QDialog* MoreOptions::buildDialog() {
  ExtraValues v = values();
  auto* dialog = new QDialog(window_);
  dialog->setObjectName("MoreOptions");
  dialog->setWindowTitle(QStringLiteral("更多选项"));
  auto* form = new QFormLayout(dialog);
  form->setLabelAlignment(Qt::AlignRight);
  for (const Row& r : kColumnRows) {
    if (!offered_.testFlag(r.extra)) continue;
    QComboBox* list = columnList(dialog, r.objectName, *ColumnOf(v, r.extra));
    list->setToolTip(QString::fromUtf8(r.tip));
    if (r.extra == Extra::TimeColumn) addTimeRow(dialog, form, QString::fromUtf8(r.caption), list, v.timeDate);
    else form->addRow(NewCaption(dialog, QString::fromUtf8(r.caption), list), list);
  }
  addTextRows(dialog, form, v);
  for (const Row& r : kCheckRows) {
    if (!offered_.testFlag(r.extra)) continue;
    auto* box = new QCheckBox(QString::fromUtf8(r.caption), dialog);
    box->setObjectName(r.objectName);
    box->setToolTip(QString::fromUtf8(r.tip));
    box->setChecked(r.extra == Extra::Kmz ? kmzShown() : *TickOf(v, r.extra));
    form->addRow(box);
  }
  tieRegionateToKmz(dialog);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  form->addRow(buttons);
  return dialog;
}

// A regionated layer is a KMZ: ticking the one ticks the other, unticking
// the KMZ unticks the tiles.
void MoreOptions::tieRegionateToKmz(QDialog* dialog) {
  auto* tiles = dialog->findChild<QCheckBox*>("Regionate");
  auto* kmz = dialog->findChild<QCheckBox*>("Kmz");
  if (!tiles || !kmz) return;
  connect(tiles, &QCheckBox::toggled, kmz, [kmz](bool on) {
    if (on) kmz->setChecked(true);
  });
  connect(kmz, &QCheckBox::toggled, tiles, [tiles](bool on) {
    if (!on) tiles->setChecked(false);
  });
}

// The typed boxes, and the statistic list after the grid size.
void MoreOptions::addTextRows(QDialog* dialog, QFormLayout* form, const ExtraValues& v) {
  for (const TextRow& r : kTextRows) {
    if (!offered_.testFlag(r.extra)) continue;
    auto* box = new QLineEdit(v.*r.value, dialog);
    box->setObjectName(r.objectName);
    box->setToolTip(QString::fromUtf8(r.tip));
    box->setPlaceholderText(QString::fromUtf8(r.placeholder));
    form->addRow(NewCaption(dialog, QString::fromUtf8(r.caption), box), box);
  }
  if (!offered_.testFlag(Extra::Grid)) return;
  auto* stats = new QComboBox(dialog);
  stats->setObjectName("GridStat");
  stats->setToolTip(QStringLiteral("每格着色所依据的统计值；功率均值为 10·log10(平均 10^(v/10))，用于 dBm"));
  for (tessaro::GridStat stat : tessaro::GridStats())
    stats->addItem(QString::fromUtf8(tessaro::GridStatCaption(stat)), QString::fromUtf8(tessaro::GridStatName(stat)));
  stats->setCurrentIndex(std::max(0, stats->findData(v.gridStat)));
  form->addRow(NewCaption(dialog, QStringLiteral("统计方式："), stats), stats);
}

void MoreOptions::addTimeRow(QDialog* dialog, QFormLayout* form, const QString& caption, QComboBox* list,
                             const QString& date) {
  auto* row = new QHBoxLayout;
  row->addWidget(list, 1);
  auto* box = new QLineEdit(date, dialog);
  row->addWidget(NewCaption(dialog, QStringLiteral("日期："), box));
  box->setObjectName("TimeDate");
  box->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
  box->setToolTip(QStringLiteral("时间列只有时刻（如 09:30:05）时，与之合并的日期"));
  box->setMaximumWidth(110);
  row->addWidget(box);
  form->addRow(NewCaption(dialog, caption, list), row);
  auto* hint = new QLabel(QStringLiteral("时间列") + QString::fromUtf8(tessaro::kTimeForms), dialog);
  hint->setObjectName("TimeForms");
  hint->setWordWrap(true);
  form->addRow(QString(), hint);
}

// A list of the sheet's headers after an empty entry ("not used").
QComboBox* MoreOptions::columnList(QDialog* dialog, const char* name, const QString& chosen) {
  auto* list = new QComboBox(dialog);
  list->setObjectName(name);
  list->addItem(QString());
  list->addItems(picker_->columnNames());
  list->setCurrentIndex(std::max(0, list->findText(chosen)));
  list->setMinimumWidth(160);
  return list;
}

void MoreOptions::take(const QDialog& dialog) {
  for (const Row& r : kColumnRows)
    if (auto* list = dialog.findChild<QComboBox*>(r.objectName)) *ColumnOf(values_, r.extra) = list->currentText();
  for (const TextRow& r : kTextRows)
    if (auto* box = dialog.findChild<QLineEdit*>(r.objectName)) values_.*r.value = box->text().trimmed();
  if (auto* stats = dialog.findChild<QComboBox*>("GridStat")) values_.gridStat = stats->currentData().toString();
  if (auto* date = dialog.findChild<QLineEdit*>("TimeDate")) values_.timeDate = date->text().trimmed();
  for (const Row& r : kCheckRows) {
    auto* box = dialog.findChild<QCheckBox*>(r.objectName);
    if (!box) continue;
    if (r.extra != Extra::Kmz) {
      *TickOf(values_, r.extra) = box->isChecked();
      continue;
    }
    kmz_ = box->isChecked();
    showExtension();
  }
}

void MoreOptions::followSheet(QComboBox* sheetList) {
  if (sheetList == picker_->sheetList()) values_ = values();  // the columns the new sheet lacks are cleared
  if (offered_.testFlag(Extra::Kmz) && kmz_) showExtension();
}

void MoreOptions::showExtension() {
  const QString name = picker_->outputName();
  if (name.isEmpty()) return;  // no name yet: the next proposed one gets it
  picker_->text6()->setText(WithKmzExtension(name, kmz_));
  ShowTextStart(picker_->text6());
}

bool MoreOptions::kmzShown() const {
  const QString name = picker_->outputName();
  return name.isEmpty() ? kmz_ : IsKmz(name);
}

}  // namespace tessaro::ui
