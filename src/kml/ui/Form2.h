#pragma once
// The KML drive-test window: a sheet of measurement points becomes a Google
// Earth layer of coloured point placemarks.
#include "kml/KmlDriveTest.h"
#include "templates/ui/DriveTestWindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tessaro::ui {

class Form2 : public DriveTestWindow {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);

  // The controls read into the layer's parameters.
  tessaro::KmlDriveTestParams params() const;

 private:
  void addOptionRows();
  void connectChecks();
  void guardColumn(QComboBox* list, QCheckBox* box);
  void generate();
  void showIcon(const QString& name);
  void fillIcons();

  QComboBox* combo1_;
  QComboBox* combo6_;
  QComboBox* combo7_;
  QCheckBox* check1_;
  QCheckBox* check2_;
  QCheckBox* check3_;
  QCheckBox* check4_;
  QLineEdit* text14_;
  QLineEdit* text15_;
  QLabel* image1_;
};

}  // namespace tessaro::ui
