#pragma once
// What the two drive-test windows (Form2 for KML, map2 for MIF) share: the
// workbook road with the longitude, latitude and data lists, the drive-test
// settings group on the right, the scale box with its steppers and the run
// panel. A window adds its own rows to the left column's grid before
// finishLayout().
#include <QComboBox>
#include <QLineEdit>
#include <QList>

#include "widgets/Controls.h"
#include "widgets/LayerWindow.h"
#include "templates/ui/DriveTestSettings.h"

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
  // The workbook, sheet, output name, the three columns and the legend into
  // either layer's parameters.
  template <class Params>
  void readShared(Params& p) const;
  // The lists every drive-test run needs: the sheet, longitude, latitude and
  // the data column (always part of the query).
  QList<Needed> neededLists() const;

  QComboBox* combo2_;  // longitude
  QComboBox* combo3_;  // latitude
  QComboBox* combo4_;  // data
  DriveTestSettings* settings_;

 private:
  QString nameCaption_;
  QGridLayout* rows_;
};

template <class Params>
void DriveTestWindow::readShared(Params& p) const {
  p.workbook = Utf8(picker()->text1()->text());
  p.sheet = Utf8(picker()->sheetList()->currentText());
  p.output = Utf8(picker()->text6()->text());
  p.lon = Utf8(combo2_->currentText());
  p.lat = Utf8(combo3_->currentText());
  p.data = Utf8(combo4_->currentText());
  p.legend = settings_->legend();
}

}  // namespace tessaro::ui
