#pragma once
// What the two drive-test windows (Form2 for KML, map2 for MIF) share: the
// workbook road with the longitude, latitude and data lists, the drive-test
// settings group on the right, the scale box with its steppers and the run
// panel. A window adds its own rows to the left column's grid before
// finishLayout().
#include <QList>

#include "shell/LayerWindow.h"
#include "templates/ui/DriveTestSettings.h"

class QComboBox;
class QGridLayout;

namespace tessaro::ui {

class DriveTestWindow : public LayerWindow {
  Q_OBJECT
 public:
  // Both windows list the templates saved by either each time they are shown.
  void refreshOnShow() override { RefreshTemplateList(); }
  void RefreshTemplateList();
  DriveTestSettings* settings() const { return settings_; }

 protected:
  DriveTestWindow(DriveTestSettings::Kind kind, const char* objectName, QWidget* parent);

  // The left column's rows below longitude and latitude (row 0).
  QGridLayout* rows() const { return rows_; }
  // Adds the sheet list (filling `columns`), the scale row and the layout.
  void finishLayout(const QList<QComboBox*>& columns);

  QComboBox* combo2_;  // longitude
  QComboBox* combo3_;  // latitude
  QComboBox* combo4_;  // data
  DriveTestSettings* settings_;

 private:
  QString nameCaption_;
  QGridLayout* rows_;
};

}  // namespace tessaro::ui
