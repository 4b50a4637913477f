#pragma once
// The KML sector window: a cell table becomes a Google Earth sector layer.
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "templates/SectorTemplate.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;

namespace tessaro::ui {

// A button that holds a colour value (0x00BBGGRR) and shows it as its
// background.
class ColourButton : public QPushButton {
  Q_OBJECT
 public:
  ColourButton(const QString& objectName, const QString& caption, unsigned value, QWidget* parent);
  unsigned value() const { return value_; }
  void setValue(unsigned value);

 private:
  unsigned value_ = 0;
};

class Form1 : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
  // Rebuilds List1 from the save folder's *.txt files.
  void RefreshTemplateList();

  // The drawing parameters shown in the window, and back.
  tessaro::SectorSettings settings() const;
  void applySettings(const tessaro::SectorSettings& s);

 private:
  void openFile();
  void chooseSheet(int index);
  void guardDescription();
  void chooseColour(ColourButton* button);
  void step(QLineEdit* box, double by, int style);
  void saveTemplate();
  void restoreTemplates();
  void deleteTemplates();
  void generate();

  QString fileName_;  // the chosen workbook's name without folder
  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text4 = nullptr;
  QLineEdit* Text5 = nullptr;
  QLineEdit* Text6 = nullptr;
  QLineEdit* Text7 = nullptr;
  QLineEdit* Text8 = nullptr;
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  QComboBox* Combo5 = nullptr;
  QComboBox* Combo6 = nullptr;
  QCheckBox* Check1 = nullptr;
  ColourButton* Command3 = nullptr;
  ColourButton* Command7 = nullptr;
  ColourButton* Command8 = nullptr;
  QListWidget* List1 = nullptr;
  QProgressBar* Pro1 = nullptr;
};

}  // namespace tessaro::ui
