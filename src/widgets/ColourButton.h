#pragma once
// A button that holds a colour value (0x00BBGGRR, red in the low byte, as the
// templates and the layers take it) and shows it as its background. A click
// opens the colour dialog at the button's own colour; OK takes the chosen
// colour, cancel keeps it.
#include <QPushButton>

namespace tessaro::ui {

class ColourButton : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(unsigned colourValue READ value WRITE setValue)
 public:
  ColourButton(const char* objectName, const QString& caption, unsigned value, QWidget* parent);
  unsigned value() const { return value_; }
  void setValue(unsigned value);

 private:
  void choose();
  unsigned value_ = 0;
};

}  // namespace tessaro::ui
