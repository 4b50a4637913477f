#include "templates/ui/DriveTestSettings.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "common/Text.h"
#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"

namespace tessaro::ui {

namespace {

constexpr std::array<unsigned, 5> kDefaultColours = {255, 65535, 16711680, 16776960, 65280};
const char* const kLowerNames[] = {"Text3", "Text5", "Text8", "Text10", "Text12"};
const char* const kUpperNames[] = {"Text4", "Text7", "Text9", "Text11", "Text13"};
const char* const kColourNames[] = {"Command3", "Command5", "Command6", "Command7", "Command8"};
const char* const kInitialBounds[] = {"-120", "-95", "-90", "-80", "-70", "-20"};

QLineEdit* Box(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setGeometry(x, y, w, 22);
  return e;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int x, int y, int w, int h = 22) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, h);
  return b;
}

QString DefaultScale(DriveTestSettings::Kind kind) {
  return kind == DriveTestSettings::Kind::Kml ? QStringLiteral("0.4") : QStringLiteral("8");
}

}  // namespace

DriveTestSettings::DriveTestSettings(QWidget* window, Kind kind, int x, int y)
    : QObject(window), window_(window), kind_(kind) {
  text2_ = Box(window, "Text2", DefaultScale(kind), 0, 0, 50);
  down_ = Button(window, "Command17", QStringLiteral("<"), 0, 0, 22);
  up_ = Button(window, "Command16", QStringLiteral(">"), 0, 0, 22);
  connect(up_, &QPushButton::clicked, this, [this] { step(true); });
  connect(down_, &QPushButton::clicked, this, [this] { step(false); });

  for (int i = 0; i < 5; ++i) {
    const int ry = y + i * 26;
    lower_[i] = Box(window, kLowerNames[i], QString::fromLatin1(kInitialBounds[i]), x, ry, 48);
    auto* sign = new QLabel(i == 4 ? QStringLiteral("≤X≤") : QStringLiteral("≤X＜"), window);
    sign->setGeometry(x + 50, ry, 34, 22);
    sign->setAlignment(Qt::AlignCenter);
    upper_[i] = Box(window, kUpperNames[i], QString::fromLatin1(kInitialBounds[i + 1]), x + 86, ry, 48);
    colourButtons_[i] = Button(window, kColourNames[i], QStringLiteral("颜色"), x + 138, ry, 44);
    setColour(i, kDefaultColours[static_cast<std::size_t>(i)]);
    connect(colourButtons_[i], &QPushButton::clicked, this, [this, i] {
      auto chosen = dialogs().colour(window_, ColourFromValue(lastDialogColour_));
      if (!chosen) return;
      lastDialogColour_ = ValueFromColour(*chosen);
      setColour(i, lastDialogColour_);
    });
  }
  // The upper bound of rows 1..4 and the lower bound of the next row are one
  // value shown twice: a change of either is copied into the other. Copying
  // only a differing text keeps the pair from echoing.
  for (int i = 0; i < 4; ++i) {
    QLineEdit* a = upper_[i];
    QLineEdit* b = lower_[i + 1];
    connect(a, &QLineEdit::textChanged, this, [b](const QString& t) {
      if (b->text() != t) b->setText(t);
    });
    connect(b, &QLineEdit::textChanged, this, [a](const QString& t) {
      if (a->text() != t) a->setText(t);
    });
  }

  auto* reset = Button(window, "Command9", QStringLiteral("默认值"), x + 188, y, 60);
  connect(reset, &QPushButton::clicked, this, [this] { this->reset(); });

  list1_ = new QListWidget(window);
  list1_->setObjectName("List1");
  list1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list1_->setGeometry(x, y + 134, 180, 96);
  connect(list1_, &QListWidget::itemDoubleClicked, this, [this] { loadTemplates(); });
  auto* save = Button(window, "Command4", QStringLiteral("<<保存"), x + 188, y + 134, 60, 26);
  connect(save, &QPushButton::clicked, this, [this] { saveTemplate(); });
  auto* del = Button(window, "Command10", QStringLiteral("<<删除"), x + 188, y + 166, 60, 26);
  connect(del, &QPushButton::clicked, this, [this] { deleteTemplates(); });
}

unsigned DriveTestSettings::colour(int row) const {
  return colourButtons_[static_cast<std::size_t>(row)]->property("colourValue").toUInt();
}

void DriveTestSettings::setColour(int row, unsigned value) {
  QPushButton* b = colourButtons_[static_cast<std::size_t>(row)];
  b->setProperty("colourValue", value);
  const QColor c = ColourFromValue(value);
  // Dark colours get a white caption so "颜色" stays readable.
  const bool dark = c.red() * 299 + c.green() * 587 + c.blue() * 114 < 128000;
  b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid #808080; }")
                       .arg(c.name(), dark ? QStringLiteral("white") : QStringLiteral("black")));
}

tessaro::ThresholdLegend DriveTestSettings::legend() const {
  tessaro::ThresholdLegend l;
  for (std::size_t i = 0; i < 5; ++i) {
    l.rows[i].lower = Utf8(lower_[i]->text());
    l.rows[i].upper = Utf8(upper_[i]->text());
    l.rows[i].colour = colour(static_cast<int>(i));
  }
  return l;
}

tessaro::DriveTestTemplate DriveTestSettings::current() const {
  tessaro::DriveTestTemplate t;
  t.scale = Utf8(text2_->text());
  for (std::size_t i = 0; i < 5; ++i) {
    t.bounds[i] = Utf8(lower_[i]->text());
    t.colours[i] = colour(static_cast<int>(i));
  }
  t.bounds[5] = Utf8(upper_[4]->text());
  return t;
}

void DriveTestSettings::apply(const tessaro::DriveTestTemplate& t) {
  text2_->setText(FromUtf8(t.scale));
  for (std::size_t i = 0; i < 5; ++i) lower_[i]->setText(FromUtf8(t.bounds[i]));
  upper_[4]->setText(FromUtf8(t.bounds[5]));
  for (std::size_t i = 0; i < 5; ++i) setColour(static_cast<int>(i), t.colours[i]);
}

void DriveTestSettings::reset() {
  tessaro::DriveTestTemplate t;
  t.scale = Utf8(DefaultScale(kind_));
  t.bounds = {"-120", "-95", "-90", "-80", "-70", "-25"};
  t.colours = kDefaultColours;
  apply(t);
}

void DriveTestSettings::step(bool up) {
  const double v = tessaro::LeadingNumber(Utf8(text2_->text()));
  QString shown;
  if (kind_ == Kind::Kml) {
    const double r = up ? v + 0.1 : v - 0.1;
    shown = (!up && r <= 0) ? QStringLiteral("0") : FromUtf8(tessaro::NumberText(r));
  } else {
    const double r = up ? v + 1 : v - 1;
    shown = (!up && r < 1) ? QStringLiteral("1") : FromUtf8(tessaro::NumberText(r));
  }
  text2_->setText(shown);
}

void DriveTestSettings::refreshTemplates() {
  list1_->clear();
  for (const auto& name : tessaro::ListDriveTestTemplates()) list1_->addItem(FromUtf8(name));
}

void DriveTestSettings::saveTemplate() {
  auto name = dialogs().input(window_, QStringLiteral("保存设置"),
                              QStringLiteral("请输入要保存设置的文件名，建议分类保存，如电平、质量 等 。"),
                              QStringLiteral("Default"));
  if (!name) return;
  try {
    tessaro::SaveDriveTestTemplate(Utf8(*name), current());
  } catch (const std::exception& e) {
    dialogs().message(window_, QStringLiteral("友情提示"), QStringLiteral("无法保存设置模版：") + FromUtf8(e.what()));
    return;
  }
  refreshTemplates();
}

void DriveTestSettings::deleteTemplates() {
  QStringList chosen;
  for (int i = 0; i < list1_->count(); ++i)
    if (list1_->item(i)->isSelected()) chosen << list1_->item(i)->text();
  if (chosen.isEmpty()) return;
  if (!dialogs().question(window_, QStringLiteral("友情提示！"),
                          QStringLiteral("您是否确定要删除所选择的设置模版？一旦删除，模版将永久丢失！")))
    return;
  QStringList failures;
  for (const QString& name : chosen) {
    try {
      tessaro::DeleteDriveTestTemplate(Utf8(name));
    } catch (const std::exception& e) {
      failures << FromUtf8(e.what());
    }
  }
  refreshTemplates();
  if (!failures.isEmpty()) dialogs().message(window_, QStringLiteral("友情提示"), failures.join('\n'));
}

void DriveTestSettings::loadTemplates() {
  for (int i = 0; i < list1_->count(); ++i) {
    if (!list1_->item(i)->isSelected()) continue;
    try {
      apply(tessaro::LoadDriveTestTemplate(Utf8(list1_->item(i)->text())));
    } catch (const std::exception& e) {
      // A damaged or vanished file leaves the values as they were.
      dialogs().message(window_, QStringLiteral("友情提示"),
                        QStringLiteral("无法读取设置模版，当前设置保持不变：") + FromUtf8(e.what()));
    }
  }
}

}  // namespace tessaro::ui
