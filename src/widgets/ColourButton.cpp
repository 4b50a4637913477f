#include "widgets/ColourButton.h"

#include "widgets/Dialogs.h"

namespace tessaro::ui {

ColourButton::ColourButton(const char* objectName, const QString& caption, unsigned value, QWidget* parent)
    : QPushButton(caption, parent) {
  setObjectName(objectName);
  setAutoDefault(false);
  setValue(value);
  connect(this, &QPushButton::clicked, this, &ColourButton::choose);
}

void ColourButton::setValue(unsigned value) {
  value_ = value & 0xFFFFFFu;
  const QColor c = ColourFromValue(value_);
  // A dark colour (by perceived brightness) gets a white caption so the
  // caption stays readable.
  const bool dark = c.red() * 299 + c.green() * 587 + c.blue() * 114 < 128000;
  const QColor ink = dark ? QColor(Qt::white) : QColor(Qt::black);
  setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid #808080; "
                               "padding: 2px 4px; }")
                    .arg(c.name(), ink.name()));
}

void ColourButton::choose() {
  if (auto chosen = dialogs().colour(window(), ColourFromValue(value_))) setValue(ValueFromColour(*chosen));
}

}  // namespace tessaro::ui
