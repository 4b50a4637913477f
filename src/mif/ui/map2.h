#pragma once
// The MIF drive-test window: a sheet of measurement points becomes a MapInfo
// point layer, one coloured symbol per sheet row.
#include <QWidget>

#include "mif/MifDriveTest.h"

class QComboBox;
class QLineEdit;
class QProgressBar;

namespace tessaro::ui {

class DriveTestSettings;

class map2 : public QWidget {
  Q_OBJECT
 public:
  explicit map2(QWidget* parent = nullptr);
  void RefreshTemplateList();
  tessaro::MifDriveTestParams params() const;
  DriveTestSettings* settings() const { return settings_; }

 private:
  void openFile();
  void chooseSheet();
  void generate();

  QLineEdit* text1_;
  QComboBox* combo5_;
  QLineEdit* text6_;
  QComboBox* combo2_;
  QComboBox* combo3_;
  QComboBox* combo4_;
  QProgressBar* pro1_;
  DriveTestSettings* settings_;
  QString fileName_;
};

}  // namespace tessaro::ui
