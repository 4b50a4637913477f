#pragma once
// The fly-line windows: Form3 writes the lines as KML, map3 (src/mif/ui) as a
// MIF/MID pair. Both share this input side: one workbook, a cell sheet and a
// drive-test sheet, their column lists, the condition editor and the filter
// switch.
#include <QWidget>

#include "source/FlyLine.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tessaro::ui {

class FlyLineWindow : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { Kml, Mif };
  FlyLineWindow(Kind kind, QWidget* parent);

  // The event handlers, named after control and event.
  void Command2_Click();  // open a workbook
  void Combo7_Click();    // a cell sheet was chosen
  void Combo10_Click();   // a drive-test sheet was chosen
  void Command1_Click();  // "<<添加"
  void Command4_Click();  // "<<清空"
  void Command3_Click();  // generate

  // The window's inputs as the generators take them.
  tessaro::FlyLineInputs Inputs() const;
  // The workbook's file name, kept when it was opened.
  const QString& fileName() const { return fileName_; }

 protected:
  virtual void Generate() = 0;
  // A box of a sector window ("Form1"/"Text5"...), or `fallback` when there
  // is no main window or the box does not exist.
  static QString SectorBox(const QString& window, const QString& box, const QString& fallback);
  void ListSheets();
  void ProposeName();

  Kind kind_;
  QString fileName_;
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text6 = nullptr;
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
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QCheckBox* Check1 = nullptr;
  QProgressBar* Pro1 = nullptr;
};

// The KML fly-line window.
class Form3 : public FlyLineWindow {
  Q_OBJECT
 public:
  explicit Form3(QWidget* parent = nullptr);

 protected:
  void Generate() override;
};

}  // namespace tessaro::ui
