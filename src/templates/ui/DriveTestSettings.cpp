#include "templates/ui/DriveTestSettings.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Text.h"
#include "widgets/ColourButton.h"
#include "widgets/Controls.h"
#include "templates/ui/TemplatePanel.h"

namespace tessaro::ui {

namespace {

constexpr std::array<unsigned, 5> kDefaultColours = {255, 65535, 16711680, 16776960, 65280};
const char* const kLowerNames[] = {"Text3", "Text5", "Text8", "Text10", "Text12"};
const char* const kUpperNames[] = {"Text4", "Text7", "Text9", "Text11", "Text13"};
const char* const kColourNames[] = {"Command3", "Command5", "Command6", "Command7", "Command8"};
const char* const kInitialBounds[] = {"-120", "-95", "-90", "-80", "-70", "-20"};

QString DefaultScale(DriveTestSettings::Kind kind) {
  return kind == DriveTestSettings::Kind::Kml ? QStringLiteral("0.4") : QStringLiteral("8");
}

TemplateStore DriveTestStore(DriveTestSettings* settings) {
  return {[] { return tessaro::ListDriveTestTemplates(); },
          [settings](const std::string& name) { tessaro::SaveDriveTestTemplate(name, settings->current()); },
          [settings](const std::string& file) { settings->apply(tessaro::LoadDriveTestTemplate(file)); },
          [](const std::string& file) { tessaro::DeleteDriveTestTemplate(file); }};
}

}  // namespace

DriveTestSettings::DriveTestSettings(QWidget* window, Kind kind) : QGroupBox(window), kind_(kind) {
  setObjectName("Frame2");
  text2_ = NewNumberBox(window, "Text2", DefaultScale(kind));
  down_ = NewStepButton(window, "Command17", QStringLiteral("<"));
  up_ = NewStepButton(window, "Command16", QStringLiteral(">"));
  connect(up_, &QPushButton::clicked, this, [this] { step(true); });
  connect(down_, &QPushButton::clicked, this, [this] { step(false); });

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(6);
  addBandRows();
  mirrorBounds();

  reset_ = NewButton(this, "Command9", QStringLiteral("默认值"));
  connect(reset_, &QPushButton::clicked, this, &DriveTestSettings::reset);
  templates_ = new TemplatePanel({QString(), "Command4", QStringLiteral("<<保存"), "Command10", QStringLiteral("<<删除"),
                                  QStringLiteral("请输入要保存设置的文件名，建议分类保存，如电平、质量 等 。")},
                                 DriveTestStore(this), this);
  templates_->insertButton(0, reset_);
  column->addWidget(templates_, 1);
}

void DriveTestSettings::addBandRows() {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(3);
  grid->setVerticalSpacing(3);
  for (int i = 0; i < 5; ++i) {
    const auto r = static_cast<std::size_t>(i);
    lower_[r] = NewNumberBox(this, kLowerNames[i], QString::fromLatin1(kInitialBounds[i]), 46);
    auto* sign = new QLabel(i == 4 ? QStringLiteral("≤X≤") : QStringLiteral("≤X＜"), this);
    sign->setAlignment(Qt::AlignCenter);
    upper_[r] = NewNumberBox(this, kUpperNames[i], QString::fromLatin1(kInitialBounds[i + 1]), 46);
    colours_[r] = new ColourButton(kColourNames[i], QStringLiteral("颜色"), kDefaultColours[r], this);
    NameField(lower_[r], QStringLiteral("第%1档下限").arg(i + 1));
    NameField(upper_[r], QStringLiteral("第%1档上限").arg(i + 1));
    colours_[r]->setAccessibleName(QStringLiteral("第%1档颜色").arg(i + 1));
    grid->addWidget(lower_[r], i, 0);
    grid->addWidget(sign, i, 1);
    grid->addWidget(upper_[r], i, 2);
    grid->addWidget(colours_[r], i, 3);
  }
  grid->setColumnStretch(3, 1);
  static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

// The upper bound of rows 1..4 and the lower bound of the next row are one
// value shown twice: a change of either is copied into the other. Copying
// only a differing text keeps the pair from echoing.
void DriveTestSettings::mirrorBounds() {
  for (std::size_t i = 0; i < 4; ++i) {
    QLineEdit* a = upper_[i];
    QLineEdit* b = lower_[i + 1];
    connect(a, &QLineEdit::textChanged, this, [b](const QString& t) {
      if (b->text() != t) b->setText(t);
    });
    connect(b, &QLineEdit::textChanged, this, [a](const QString& t) {
      if (a->text() != t) a->setText(t);
    });
  }
}

unsigned DriveTestSettings::colour(int row) const { return colours_[static_cast<std::size_t>(row)]->value(); }

void DriveTestSettings::setColour(int row, unsigned value) { colours_[static_cast<std::size_t>(row)]->setValue(value); }

tessaro::ThresholdLegend DriveTestSettings::legend() const {
  tessaro::ThresholdLegend l;
  for (std::size_t i = 0; i < 5; ++i) {
    l.rows[i].lower = Utf8(lower_[i]->text());
    l.rows[i].upper = Utf8(upper_[i]->text());
    l.rows[i].colour = colours_[i]->value();
  }
  return l;
}

tessaro::DriveTestTemplate DriveTestSettings::current() const {
  tessaro::DriveTestTemplate t;
  t.scale = Utf8(text2_->text());
  for (std::size_t i = 0; i < 5; ++i) {
    t.bounds[i] = Utf8(lower_[i]->text());
    t.colours[i] = colours_[i]->value();
  }
  t.bounds[5] = Utf8(upper_[4]->text());
  return t;
}

void DriveTestSettings::apply(const tessaro::DriveTestTemplate& t) {
  text2_->setText(FromUtf8(t.scale));
  for (std::size_t i = 0; i < 5; ++i) lower_[i]->setText(FromUtf8(t.bounds[i]));
  upper_[4]->setText(FromUtf8(t.bounds[5]));
  for (std::size_t i = 0; i < 5; ++i) colours_[i]->setValue(t.colours[i]);
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

}  // namespace tessaro::ui
