#pragma once
// The MIF sector window: a cell table becomes a MapInfo layer of sector
// regions (see mif/MifSector.h for the layer itself).
#include <QWidget>
#include <functional>
#include <optional>

#include "mif/MifSector.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tessaro::ui {

class map : public QWidget {
  Q_OBJECT
 public:
  explicit map(QWidget* parent = nullptr);

  // A spinner step: `text` read as a number (its leading number when it is
  // not one); with bounds, a value below `low` gives `low` and one above
  // `high` gives `high`, else value + step (which may leave the range by one
  // step, the next press brings it back). Without bounds the result is
  // value + step, or 0 when that is negative. Shortest number text.
  static QString Step(const QString& text, double step, std::optional<double> low, std::optional<double> high);

  // The window's inputs as the layer's parameters; a bare output name is
  // taken in the current folder (the workbook's after the open-file command).
  MifSectorParams params() const;

  // Where the generate command gets its rows from: the workbook (the default)
  // or, when set, this function (tests use hand-built results).
  void setRecordSource(std::function<RecordSet(const MifSectorParams&)> source) { source_ = std::move(source); }

  unsigned penColour() const { return penColour_; }
  unsigned brushColour() const { return brushColour_; }

 private:
  void openFile();
  void chooseSheet();
  void chooseColour(QPushButton* button, unsigned* value);
  void generate();

  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text4 = nullptr;
  QLineEdit* Text5 = nullptr;
  QLineEdit* Text6 = nullptr;
  QLineEdit* Text7 = nullptr;
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  QComboBox* Combo5 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command7 = nullptr;
  QProgressBar* Pro1 = nullptr;

  QString fileName_;            // the chosen workbook's file name
  unsigned penColour_ = 0xC0E0FF;
  unsigned brushColour_ = 0xC0FFFF;
  unsigned lastColour_ = 0;     // the colour dialog opens on what it returned last
  std::function<RecordSet(const MifSectorParams&)> source_;
};

}  // namespace tessaro::ui
