#pragma once
// The fly-line windows' common base: Form3 (src/kml/ui) writes the lines as
// KML, map3 (src/mif/ui) as a MIF/MID pair. Both share this input side: one
// workbook, a cell sheet and a drive-test sheet, their column lists, the
// condition editor and the filter switch.
#include <functional>
#include <string>

#include "widgets/LayerWindow.h"
#include "query/FlyLine.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;

namespace tessaro::ui {

// The sector window's boxes a fly-line layer draws with: the radius and (in
// KML) the altitude of the line's start; the per-cell report takes its beam
// width, the width the sectors are drawn with.
struct SectorBoxes {
  std::string radius = "80";
  std::string altitude = "5";
  std::string beamwidth = "35";
};

class FlyLineWindow : public LayerWindow {
  Q_OBJECT
 public:
  enum class Kind { Kml, Mif };
  FlyLineWindow(Kind kind, QWidget* parent);

  // Where the radius and altitude come from: the main window links the
  // sector window of the same format; unlinked, the sector windows' design
  // values.
  void setSectorBoxes(std::function<SectorBoxes()> read) { sectorBoxes_ = std::move(read); }

  void open();              // Command2: open a workbook
  void chooseCellSheet();   // Combo7: a cell sheet was chosen
  void choosePointSheet();  // Combo10: a drive-test sheet was chosen
  void addCondition();      // Command1 "<<添加"
  void clearConditions();   // Command4 "<<清空"
  void generate();          // Command3
  // "小区统计报表…": the per-cell report beside the workbook, NAME.xlsx and
  // NAME.html; its completion message offers to open the page.
  void writeCellReport();

  // The window's inputs as the generators take them.
  tessaro::FlyLineInputs inputs() const;
  // The workbook's file name, kept when it was opened.
  const QString& fileName() const { return picker()->fileName(); }

 protected:
  // Runs the layer of this window's format to `output`.
  virtual void runFlyLine(const QString& output, const SectorBoxes& sector) = 0;
  // The texts this window's layer is reported with.
  virtual const tessaro::LayerMessages& messages() const = 0;

 private:
  void createLists();
  QGroupBox* cellFrame();
  QGroupBox* pointFrame();
  QGroupBox* conditionFrame();

  Kind kind_;
  std::function<SectorBoxes()> sectorBoxes_;
  QPlainTextEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  QComboBox* Combo5 = nullptr;
  QComboBox* Combo6 = nullptr;
  QComboBox* Combo7 = nullptr;
  QComboBox* Combo8 = nullptr;
  QComboBox* Combo9 = nullptr;
  QComboBox* Combo10 = nullptr;
  QComboBox* Combo11 = nullptr;
  QCheckBox* Check1 = nullptr;
};

}  // namespace tessaro::ui
