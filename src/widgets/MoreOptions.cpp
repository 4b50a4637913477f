#include "widgets/MoreOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "common/OutputPath.h"
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
};

const Row kCheckRows[] = {
    {Extra::Legend, "Legend", "图例", "左下角显示色阶图例和各区间的点数"},
    {Extra::Attributes, "Attributes", "属性表", "在气泡中以表格列出该行的每一列"},
    {Extra::Kmz, "Kmz", "保存为 KMZ", "图层和它用到的图标、图例打包成一个文件"},
};

QString* ColumnOf(ExtraValues& v, Extra e) {
  switch (e) {
    case Extra::BeamwidthColumn: return &v.beamwidthColumn;
    case Extra::RadiusColumn: return &v.radiusColumn;
    case Extra::FolderColumn: return &v.folderColumn;
    case Extra::TimeColumn: return &v.timeColumn;
    default: return nullptr;
  }
}

bool* TickOf(ExtraValues& v, Extra e) {
  switch (e) {
    case Extra::Attributes: return &v.attributes;
    case Extra::Legend: return &v.legend;
    default: return nullptr;
  }
}

bool IsKmz(const QString& name) { return tessaro::IsKmzName(Utf8(name)); }

}  // namespace

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
  connect(picker_->text6(), &QLineEdit::textEdited, this, [this](const QString& text) { kmz_ = IsKmz(text); });
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
    form->addRow(NewCaption(dialog, QString::fromUtf8(r.caption), list), list);
  }
  for (const Row& r : kCheckRows) {
    if (!offered_.testFlag(r.extra)) continue;
    auto* box = new QCheckBox(QString::fromUtf8(r.caption), dialog);
    box->setObjectName(r.objectName);
    box->setToolTip(QString::fromUtf8(r.tip));
    box->setChecked(r.extra == Extra::Kmz ? kmzShown() : *TickOf(v, r.extra));
    form->addRow(box);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  form->addRow(buttons);
  return dialog;
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
