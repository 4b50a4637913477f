#include "widgets/Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace tessaro::ui {

namespace {
// Room a line edit's frame and margins take beside its text.
constexpr int kBoxPadding = 14;
// Room an editable list's frame and arrow take beside its text.
constexpr int kListPadding = 34;
}  // namespace

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }
QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QLineEdit* NewBox(QWidget* parent, const char* objectName, const QString& text, const QString& tip) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(objectName);
  if (!tip.isEmpty()) e->setToolTip(tip);
  FitText(e, text);
  ShowTextStart(e);
  return e;
}

QLineEdit* NewNumberBox(QWidget* parent, const char* objectName, const QString& text, int width) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(objectName);
  e->setFixedWidth(width);
  return e;
}

QPushButton* NewButton(QWidget* parent, const char* objectName, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAutoDefault(false);
  return b;
}

QPushButton* NewStepButton(QWidget* parent, const char* objectName, const QString& caption) {
  QPushButton* b = NewButton(parent, objectName, caption);
  b->setFixedWidth(22);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

QLabel* NewCaption(QWidget* parent, const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text, parent);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  if (buddy) {
    l->setBuddy(buddy);
    NameField(buddy, text);
  }
  return l;
}

void NameField(QWidget* field, const QString& caption) {
  QString name = caption.trimmed();
  while (name.endsWith(QChar(0xFF1A)) || name.endsWith(':')) name.chop(1);
  field->setAccessibleName(name);
}

QComboBox* NewColumnList(QWidget* parent, const QString& objectName, const QString& designText) {
  auto* c = new QComboBox(parent);
  c->setObjectName(objectName);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setEditText(designText);
  FitText(c, designText);
  ShowTextStart(c);
  // A column picked from the list shows its start too: "RX LevSub(dBm)" in
  // a narrow list would otherwise read "evSub(dBm)".
  QObject::connect(c, qOverload<int>(&QComboBox::currentIndexChanged), c, [c] { ShowTextStart(c); });
  return c;
}

void FitText(QLineEdit* box, const QString& text) {
  box->setMinimumWidth(std::max(box->minimumWidth(), box->fontMetrics().horizontalAdvance(text) + kBoxPadding));
}

void FitText(QComboBox* list, const QString& text) {
  list->setMinimumWidth(std::max(list->minimumWidth(), list->fontMetrics().horizontalAdvance(text) + kListPadding));
}

void ShowTextStart(QLineEdit* box) {
  if (box && !box->hasFocus()) box->setCursorPosition(0);
}

void ShowTextStart(QComboBox* list) {
  if (list) ShowTextStart(list->lineEdit());
}

void SetListQuietly(QComboBox* list, int index, const QString& text) {
  const QSignalBlocker quiet(list);
  list->setCurrentIndex(index);
  if (index < 0) list->setEditText(text);
  ShowTextStart(list);
}

}  // namespace tessaro::ui
