#pragma once
// The drawing parameters both drive-test windows share, as one group of
// controls: the five band rows (bounds and colour buttons), "默认值" and the
// template list with save, delete and load. The scale/size box Text2 and its
// steppers belong to the same values; the window places them.
//
// The controls keep their design names; turning the group off turns them all
// off.
#include <QGroupBox>
#include <QString>
#include <array>

#include "templates/DriveTestTemplate.h"
#include "templates/ThresholdLegend.h"

class QLineEdit;
class QPushButton;

namespace tessaro::ui {

class ColourButton;
class TemplatePanel;

class DriveTestSettings : public QGroupBox {
  Q_OBJECT
 public:
  enum class Kind { Kml, Mif };
  DriveTestSettings(QWidget* window, Kind kind);

  QLineEdit* text2() const { return text2_; }
  QPushButton* stepUp() const { return up_; }      // Command16 ">"
  QPushButton* stepDown() const { return down_; }  // Command17 "<"
  TemplatePanel* templates() const { return templates_; }
  QPushButton* resetButton() const { return reset_; }  // Command9 "默认值"

  // The legend as the boxes and buttons hold it now.
  tessaro::ThresholdLegend legend() const;
  unsigned colour(int row) const;  // 0-based row
  void setColour(int row, unsigned value);

  // The template's values from / into the controls.
  tessaro::DriveTestTemplate current() const;
  void apply(const tessaro::DriveTestTemplate& t);

  // The reset of "默认值" (without the window's own boxes).
  void reset();
  void step(bool up);

 private:
  void addBandRows();
  void mirrorBounds();

  Kind kind_;
  QLineEdit* text2_ = nullptr;
  QPushButton* up_ = nullptr;
  QPushButton* down_ = nullptr;
  QPushButton* reset_ = nullptr;
  std::array<QLineEdit*, 5> lower_{};
  std::array<QLineEdit*, 5> upper_{};
  std::array<ColourButton*, 5> colours_{};
  TemplatePanel* templates_ = nullptr;
};

}  // namespace tessaro::ui
