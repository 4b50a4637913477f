#pragma once
// The MIF drive-test window: a sheet of measurement points becomes a MapInfo
// point layer, one coloured symbol per sheet row.
#include "mif/MifDriveTest.h"
#include "templates/ui/DriveTestWindow.h"

namespace tessaro::ui {

class map2 : public DriveTestWindow {
  Q_OBJECT
 public:
  explicit map2(QWidget* parent = nullptr);
  tessaro::MifDriveTestParams params() const;

 private:
  void generate();
};

}  // namespace tessaro::ui
