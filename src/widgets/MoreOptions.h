#pragma once
// The options a layer window offers beyond its own controls, behind one
// button "更多选项…" that opens a small modal dialog: a beam-width and a
// radius column read per row, attribute tables, one folder per value of a
// column, the legend image, a time column (with a date for columns that hold
// only times of day), KMZ output, a binned grid with its statistic, and colour
// by category. Each window says
// which of them it offers; the values chosen live as long as the window and
// are never saved with its templates. Left alone, every option is off and
// the layer is written exactly as without them.
//
// The column lists hold the headers of the window's sheet (the first sheet
// list's), after an empty entry that means "not used"; a chosen column that
// a newly chosen sheet lacks is cleared.
//
// "保存为 KMZ" is the output box's extension: ticking it turns Text6's
// ".kml" into ".kmz", unticking turns it back. A name the user types ending
// in ".kmz" ticks it too, and while it is ticked the name proposed for a
// newly chosen sheet ends in ".kmz". "分级加载（大图层）" writes a KMZ of
// tiles a viewer loads as the view needs them; it ticks "保存为 KMZ", and
// unticking that unticks it.
#include <QFlags>
#include <QObject>
#include <QString>
#include <QStringList>

#include "analysis/Category.h"
#include "analysis/Grid.h"

class QComboBox;
class QDialog;
class QFormLayout;
class QPushButton;

namespace tessaro::ui {

class WorkbookPicker;

enum class Extra : unsigned {
  BeamwidthColumn = 1,
  RadiusColumn = 2,
  FolderColumn = 4,
  TimeColumn = 8,
  Attributes = 16,
  Legend = 32,
  Kmz = 64,
  Regionate = 128,
  Grid = 256,      // 栅格（米） and 统计方式
  ColourBy = 512,  // 按列着色 and 取模
};
Q_DECLARE_FLAGS(Extras, Extra)
Q_DECLARE_OPERATORS_FOR_FLAGS(Extras)

// The values of the options; empty columns and false ticks are "off".
struct ExtraValues {
  QString beamwidthColumn;
  QString radiusColumn;
  QString folderColumn;
  QString timeColumn;
  QString timeDate;  // the box beside the time column: the day of cells that hold only a time of day
  bool attributes = false;
  bool legend = false;
  bool regionate = false;
  QString gridSize;              // metres as typed; empty: no grid
  QString gridStat = "mean";     // a statistic's name as the command line takes it
  QString colourBy;              // a column; empty: the bands colour the layer
  QString colourMod;             // as typed; empty: each distinct value
};

// The grid and the colouring the values ask for, as the layers take them.
tessaro::GridOption GridOptionOf(const ExtraValues& v);
tessaro::CategoryOption CategoryOptionOf(const ExtraValues& v);

// `name` with its extension switched: with `kmz` a trailing ".kml" (any case)
// becomes ".kmz" and a name without one gets ".kmz" appended; without, a
// trailing ".kmz" (any case) becomes ".kml". An empty name stays empty.
QString WithKmzExtension(const QString& name, bool kmz);

class MoreOptions : public QObject {
  Q_OBJECT
 public:
  // Creates the button "更多选项…" (object name "More"); the window places it.
  MoreOptions(Extras offered, WorkbookPicker* picker, QWidget* window);

  QPushButton* button() const { return button_; }
  // The values in force: a column the current sheet lacks counts as not used.
  ExtraValues values() const;
  // The button's command: shows the dialog (object name "MoreOptions") and
  // takes its values when accepted.
  void open();

 private:
  QDialog* buildDialog();
  QComboBox* columnList(QDialog* dialog, const char* name, const QString& chosen);
  void tieRegionateToKmz(QDialog* dialog);
  void addTextRows(QDialog* dialog, QFormLayout* form, const ExtraValues& v);
  // The time column's row: the list, the date box beside it and a line that
  // says which forms the column may hold.
  void addTimeRow(QDialog* dialog, QFormLayout* form, const QString& caption, QComboBox* list, const QString& date);
  void take(const QDialog& dialog);
  void followSheet(QComboBox* sheetList);
  // Text6's extension as kmz_ asks.
  void showExtension();
  bool kmzShown() const;

  Extras offered_;
  WorkbookPicker* picker_;
  QWidget* window_;
  QPushButton* button_;
  ExtraValues values_;
  bool kmz_ = false;  // the output name's extension the user last asked for
};

}  // namespace tessaro::ui
