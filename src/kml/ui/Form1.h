#pragma once
// The KML sector window: a cell table becomes a Google Earth sector layer.
#include <QString>

#include "widgets/ColourButton.h"
#include "widgets/LayerWindow.h"
#include "templates/SectorTemplate.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;

namespace tessaro::ui {

class TemplatePanel;

class Form1 : public LayerWindow {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
  // Rebuilds List1 from the save folder's *.txt files.
  void RefreshTemplateList();
  void refreshOnShow() override { RefreshTemplateList(); }

  // The drawing parameters shown in the window, and back.
  tessaro::SectorSettings settings() const;
  void applySettings(const tessaro::SectorSettings& s);

 private:
  QGridLayout* columnRows();
  QGridLayout* parameterRows();
  void guardDescription();
  void generate();

  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLineEdit* Text4 = nullptr;
  QLineEdit* Text5 = nullptr;
  QLineEdit* Text7 = nullptr;
  QLineEdit* Text8 = nullptr;
  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  QComboBox* Combo6 = nullptr;
  QCheckBox* Check1 = nullptr;
  ColourButton* Command3 = nullptr;
  ColourButton* Command7 = nullptr;
  ColourButton* Command8 = nullptr;
  TemplatePanel* templates_ = nullptr;
};

}  // namespace tessaro::ui
