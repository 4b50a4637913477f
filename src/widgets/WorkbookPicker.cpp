#include "widgets/WorkbookPicker.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "common/OutputPath.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "source/Provider.h"

namespace tessaro::ui {

namespace {

const QString kHint = QStringLiteral("友情提示");

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

// Empties a list and shows `text` in it, without firing a choice.
void ResetList(QComboBox* list, const QString& text = {}) {
  const QSignalBlocker quiet(list);
  list->clear();
  list->setEditText(text);
}

}  // namespace

WorkbookPicker::WorkbookPicker(const Design& design, QWidget* window)
    : QGroupBox(window), design_(design), window_(window) {
  setObjectName("Frame1");
  auto* row = new QHBoxLayout(this);
  if (design.framed) {
    setTitle(QStringLiteral("文件目录"));
    row->setContentsMargins(6, 2, 6, 4);
  } else {
    setFlat(true);
    setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
    row->setContentsMargins(0, 0, 0, 0);
  }
  row->setSpacing(6);
  // Text1 and Text6 are the window's own boxes; only the file row sits here.
  // Text1 shows the chosen workbook's path; until then its design text
  // asks for one. It is typed into by the open-file dialog only: Enter or a
  // double click in it opens that dialog too.
  text1_ = NewBox(window, "Text1", QString());
  text1_->setPlaceholderText(design.text1);
  FitText(text1_, design.text1);
  text1_->setReadOnly(true);
  text1_->installEventFilter(this);
  NameField(text1_, QStringLiteral("Excel文件"));
  command2_ = NewButton(window, "Command2", QStringLiteral("打开文件"));
  text6_ = NewBox(window, "Text6", design.text6);
  row->addWidget(text1_, 1);
  row->addWidget(command2_);
  connect(command2_, &QPushButton::clicked, this, &WorkbookPicker::open);
  connect(text1_, &QLineEdit::returnPressed, this, &WorkbookPicker::open);
}

bool WorkbookPicker::eventFilter(QObject* watched, QEvent* e) {
  if (watched == text1_ && e->type() == QEvent::MouseButtonDblClick) {
    open();
    return true;
  }
  return QGroupBox::eventFilter(watched, e);
}

QComboBox* WorkbookPicker::addSheetList(const char* objectName, const QString& designText,
                                        const QList<QComboBox*>& columns, const Roles& roles) {
  QComboBox* list = NewColumnList(window_, objectName, designText);
  sides_.append({list, columns, roles, {}});
  connect(list, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, list](int index) {
    if (index >= 0) chooseSheet(list);
  });
  return list;
}

QString WorkbookPicker::workbook() const { return text1_->text(); }

QString WorkbookPicker::outputName() const {
  const QString name = text6_->text();
  return name == design_.text6 ? QString() : name;
}

void WorkbookPicker::open() {
  const QStringList files = dialogs().openFiles(window_, QStringLiteral("打开文件"), WorkbookFilter());
  if (files.isEmpty()) return;  // cancelled: nothing changes
  // Several files may be chosen; the first is used.
  openFile(files.first());
}

void WorkbookPicker::openFile(const QString& path) {
  const QFileInfo file(path);
  text1_->setText(file.absoluteFilePath());
  ShowTextStart(text1_);
  fileName_ = file.fileName();
  listSheets();
}

void WorkbookPicker::clearWorkbook() {
  for (Side& side : sides_) {
    side.headers.clear();
    ResetList(side.list);
    for (QComboBox* c : side.columns) ResetList(c);
  }
  text6_->clear();
}

void WorkbookPicker::listSheets() {
  std::vector<std::string> names;
  try {
    names = ListSheetNames(Utf8(text1_->text()));
  } catch (const std::exception& e) {
    clearWorkbook();
    dialogs().message(window_, kHint, QStringLiteral("无法读取“%1”：%2").arg(fileName_, FromUtf8(e.what())));
    return;
  }
  // Every sheet list gets every sheet; only the first chooses one, the
  // others wait for the user's choice.
  for (Side& side : sides_) {
    side.headers.clear();
    ResetList(side.list);
    const QSignalBlocker quiet(side.list);
    for (const auto& n : names) side.list->addItem(FromUtf8(n));
    side.list->setCurrentIndex(-1);
    side.list->setEditText(QString());
  }
  if (names.empty()) return;
  QList<int> chosen;
  if (chooser_) {
    // Every sheet's header row; one that cannot be read has none.
    QList<QStringList> headers;
    for (const auto& n : names) {
      QStringList row;
      try {
        for (const auto& h : ListColumnNames(Utf8(text1_->text()), n)) row << FromUtf8(h);
      } catch (const std::exception&) {
      }
      headers << row;
    }
    chosen = chooser_(headers);
  } else {
    chosen = {0};
  }
  // The first list first: the proposed name follows its sheet.
  for (qsizetype i = 0; i < sides_.size() && i < chosen.size(); ++i)
    if (chosen[i] >= 0 && chosen[i] < sides_[i].list->count()) sides_[i].list->setCurrentIndex(chosen[i]);
}

WorkbookPicker::Side* WorkbookPicker::sideOf(QComboBox* list) {
  for (Side& side : sides_)
    if (side.list == list) return &side;
  return nullptr;
}

void WorkbookPicker::proposeName() {
  if (sides_.isEmpty()) return;
  const auto name =
      ProposeOutputName(Utf8(fileName_), Utf8(sides_.first().list->currentText()), Utf8(design_.nameSuffix));
  if (!name) return;  // a file name the rule does not cover leaves the box as it is
  text6_->setText(FromUtf8(*name));
  ShowTextStart(text6_);
}

void WorkbookPicker::chooseSheet(QComboBox* list) {
  Side* side = sideOf(list);
  if (!side) return;
  proposeName();
  const QString sheet = list->currentText();
  side->headers.clear();
  for (QComboBox* c : side->columns) ResetList(c);
  QStringList headers;
  try {
    for (const auto& h : ListColumnNames(Utf8(text1_->text()), Utf8(sheet))) headers << FromUtf8(h);
  } catch (const std::exception& e) {
    dialogs().message(window_, kHint, QStringLiteral("无法读取工作表“%1”：%2").arg(sheet, FromUtf8(e.what())));
    return;
  }
  side->headers = headers;
  for (QComboBox* c : side->columns) {
    const QSignalBlocker quiet(c);
    c->addItems(headers);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
  }
  std::vector<std::string> hs;
  for (const QString& h : headers) hs.push_back(Utf8(h));
  std::vector<tessaro::Role> order;
  for (const auto& r : side->roles) order.push_back(r.first);
  const auto chosen = tessaro::DetectColumns(hs, order);
  for (const auto& [role, c] : side->roles) {
    const auto it = chosen.find(role);
    if (it == chosen.end())
      SetListQuietly(c, -1);
    else
      SetListQuietly(c, c->findText(FromUtf8(it->second)));
  }
  emit sheetChosen(list);
}

QString WorkbookPicker::outputPath() const {
  const QString book = workbook();
  if (book.isEmpty()) return {};
  return FromUtf8(ResolveOutputPath(Utf8(text6_->text()), Utf8(book)));
}

bool WorkbookPicker::confirmReplace(const QStringList& targets) {
  QStringList existing;
  for (const QString& target : targets) {
    const QFileInfo file(target);
    if (file.exists() && !file.isDir()) existing << target;
  }
  return existing.isEmpty() ||
         dialogs().confirmReplace(window_, kHint, QStringLiteral("文件已存在，是否覆盖？"), existing);
}

std::optional<QString> WorkbookPicker::outputForRun(const QStringList& suffixes) {
  const QString path = outputPath();
  if (path.isEmpty()) {
    dialogs().message(window_, kHint, QStringLiteral("请先打开Excel文件"));
    return std::nullopt;
  }
  QStringList targets;
  for (const QString& suffix : suffixes) targets << path + suffix;
  if (!confirmReplace(targets)) return std::nullopt;
  return path;
}

}  // namespace tessaro::ui
