#include "shell/WorkbookRoad.h"

#include <QDir>
#include <QFileInfo>

#include "shell/Dialogs.h"
#include "source/Provider.h"

namespace tessaro::ui {

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }
QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Every format the readers take first; the format is then told by the file's
// first bytes, so "所有文件" lets a workbook saved under another name through.
QString WorkbookFilter() {
  return QStringLiteral(
      "工作簿和表格文件 (*.xls *.xlsx *.xlsm *.ods *.csv *.txt);;"
      "Excel文件（*.xls ；*.xlsx) (*.xls *.xlsx *.xlsm);;"
      "OpenDocument 电子表格 (*.ods);;"
      "文本表格（逗号、制表符或分号分隔） (*.csv *.txt);;"
      "所有文件 (*)");
}

bool ChooseWorkbook(QWidget* parent, QLineEdit* text1, QString* fileName) {
  QStringList files = dialogs().openFiles(parent, QStringLiteral("打开文件"), WorkbookFilter());
  if (files.isEmpty()) return false;
  QFileInfo first(files.first());
  // A confirmed dialog leaves the current directory at the workbook's folder,
  // so a bare output name lands beside the workbook.
  QDir::setCurrent(first.absolutePath());
  text1->setText(QDir::toNativeSeparators(first.absoluteFilePath()).replace('\\', '/'));
  *fileName = first.fileName();
  return true;
}

void ListSheets(QComboBox* combo5, const QString& path) {
  combo5->blockSignals(true);
  combo5->clear();
  std::vector<std::string> names;
  try {
    names = ListSheetNames(Utf8(path));
  } catch (const std::exception&) {
    names.clear();
  }
  for (const auto& n : names) combo5->addItem(FromUtf8(n));
  combo5->setCurrentIndex(-1);
  combo5->blockSignals(false);
  if (combo5->count() > 0) combo5->setCurrentIndex(0);
}

QStringList FillColumnLists(const QString& path, const QString& sheet, const QList<QComboBox*>& lists) {
  for (QComboBox* c : lists) {
    c->blockSignals(true);
    c->clear();
    c->setEditText(QString());
    c->blockSignals(false);
  }
  QStringList headers;
  try {
    for (const auto& h : ListColumnNames(Utf8(path), Utf8(sheet))) headers << FromUtf8(h);
  } catch (const std::exception&) {
    return {};
  }
  for (QComboBox* c : lists) {
    c->blockSignals(true);
    c->addItems(headers);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    c->blockSignals(false);
  }
  return headers;
}

void ApplyDetection(const QStringList& headers, const QList<QPair<tessaro::Role, QComboBox*>>& roles) {
  std::vector<std::string> hs;
  for (const auto& h : headers) hs.push_back(Utf8(h));
  std::vector<tessaro::Role> order;
  for (const auto& r : roles) order.push_back(r.first);
  auto chosen = tessaro::DetectColumns(hs, order);
  for (const auto& r : roles) {
    QComboBox* c = r.second;
    c->blockSignals(true);
    auto it = chosen.find(r.first);
    if (it == chosen.end()) {
      c->setCurrentIndex(-1);
      c->setEditText(QString());
    } else {
      c->setCurrentIndex(c->findText(FromUtf8(it->second)));
      c->setEditText(FromUtf8(it->second));
      ShowTextStart(c);
    }
    c->blockSignals(false);
  }
}

void ProposeName(QLineEdit* text6, const QString& fileName, const QString& sheet, const QString& extension) {
  auto name = tessaro::ProposeOutputName(Utf8(fileName), Utf8(sheet), Utf8(extension));
  if (name) {
    text6->setText(FromUtf8(*name));
    ShowTextStart(text6);
  }
}

void ShowTextStart(QLineEdit* box) {
  if (box && !box->hasFocus()) box->setCursorPosition(0);
}

void ShowTextStart(QComboBox* list) {
  if (list) ShowTextStart(list->lineEdit());
}

QComboBox* NewColumnList(QWidget* parent, const QString& objectName, const QString& designText) {
  auto* c = new QComboBox(parent);
  c->setObjectName(objectName);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setEditText(designText);
  ShowTextStart(c);
  // A column picked from the list shows its start too: "RX LevSub(dBm)" in
  // a narrow list would otherwise read "evSub(dBm)".
  QObject::connect(c, qOverload<int>(&QComboBox::currentIndexChanged), c, [c] { ShowTextStart(c); });
  return c;
}

}  // namespace tessaro::ui
