#pragma once
// The MIF sector window: a cell table becomes a MapInfo layer of sector
// regions (see mif/MifSector.h for the layer itself).
#include <functional>
#include <optional>

#include "mif/MifSector.h"
#include "widgets/ColourButton.h"
#include "widgets/LayerWindow.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;

namespace tessaro::ui {

class map : public LayerWindow {
  Q_OBJECT
 public:
  explicit map(QWidget* parent = nullptr);

  // A spinner step: `text` read as a number (its leading number when it is
  // not one); with bounds, a value below `low` gives `low` and one above
  // `high` gives `high`, else value + step (which may leave the range by one
  // step, the next press brings it back). Without bounds the result is
  // value + step, or 0 when that is negative. Shortest number text.
  static QString Step(const QString& text, double step, std::optional<double> low, std::optional<double> high);

  // The window's inputs as the layer's parameters (the output base as typed).
  MifSectorParams params() const;
  // The radius box, which the MIF fly-line window draws with.
  QString radiusText() const;

  // Where the generate command gets its rows from: the workbook (the default)
  // or, when set, this function (tests use hand-built results).
  void setRecordSource(std::function<RecordSet(const MifSectorParams&)> source) { source_ = std::move(source); }

  unsigned penColour() const { return Command3->value(); }
  unsigned brushColour() const { return Command7->value(); }

 private:
  QGroupBox* settingsFrame();
  void addSpinners(QGroupBox* frame, QGridLayout* grid);
  void generate();

  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text4 = nullptr;
  QLineEdit* Text5 = nullptr;
  QLineEdit* Text7 = nullptr;
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  ColourButton* Command3 = nullptr;
  ColourButton* Command7 = nullptr;
  std::function<RecordSet(const MifSectorParams&)> source_;
};

}  // namespace tessaro::ui
