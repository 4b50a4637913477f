#pragma once
// The drawing parameters both drive-test windows share: the scale/size box
// with its steppers, the five band rows (bounds and colour buttons), the
// "默认值" reset and the template list with save, delete and load.
//
// The controls are created as direct children of the window (so a running
// generate disables them with the rest) and keep their design names.
#include <QObject>
#include <QString>
#include <array>

#include "templates/DriveTestTemplate.h"
#include "templates/ThresholdLegend.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace tessaro::ui {

class DriveTestSettings : public QObject {
  Q_OBJECT
 public:
  enum class Kind { Kml, Mif };
  // Builds the controls on `window`: the band rows, "默认值", the template
  // list and its buttons from (x, y); the scale box is placed by the window.
  DriveTestSettings(QWidget* window, Kind kind, int x, int y);

  QLineEdit* text2() const { return text2_; }
  QPushButton* stepUp() const { return up_; }      // Command16 ">"
  QPushButton* stepDown() const { return down_; }  // Command17 "<"
  QListWidget* list1() const { return list1_; }

  // The legend as the boxes and buttons hold it now.
  tessaro::ThresholdLegend legend() const;
  unsigned colour(int row) const;  // 0-based row
  void setColour(int row, unsigned value);

  // The template's values from / into the controls.
  tessaro::DriveTestTemplate current() const;
  void apply(const tessaro::DriveTestTemplate& t);

  // The reset of "默认值" (without the window's own boxes).
  void reset();
  // Refills List1 from the template folder.
  void refreshTemplates();
  void saveTemplate();
  void deleteTemplates();
  void loadTemplates();
  void step(bool up);

 private:
  QWidget* window_;
  Kind kind_;
  QLineEdit* text2_ = nullptr;
  QPushButton* up_ = nullptr;
  QPushButton* down_ = nullptr;
  std::array<QLineEdit*, 5> lower_{};
  std::array<QLineEdit*, 5> upper_{};
  std::array<QPushButton*, 5> colourButtons_{};
  QListWidget* list1_ = nullptr;
  unsigned lastDialogColour_ = 0;
};

}  // namespace tessaro::ui
