#pragma once
// The KML drive-test window: a sheet of measurement points becomes a Google
// Earth layer of coloured point placemarks.
#include <QWidget>

#include "kml/KmlDriveTest.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace tessaro::ui {

class DriveTestSettings;

class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);
  // Refills the template list (the menu calls it each time it shows the window).
  void RefreshTemplateList();

  // The controls read into the layer's parameters.
  tessaro::KmlDriveTestParams params() const;
  DriveTestSettings* settings() const { return settings_; }

 private:
  void openFile();
  void chooseSheet();
  void generate();
  void showIcon(const QString& name);
  void fillIcons();

  QLineEdit* text1_;
  QComboBox* combo5_;
  QLineEdit* text6_;
  QComboBox* combo1_;
  QComboBox* combo2_;
  QComboBox* combo3_;
  QComboBox* combo4_;
  QComboBox* combo6_;
  QComboBox* combo7_;
  QCheckBox* check1_;
  QCheckBox* check2_;
  QCheckBox* check3_;
  QCheckBox* check4_;
  QLineEdit* text14_;
  QLineEdit* text15_;
  QLabel* image1_;
  QProgressBar* pro1_;
  DriveTestSettings* settings_;
  QString fileName_;
};

}  // namespace tessaro::ui
