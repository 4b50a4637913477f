#pragma once
// The landmark window: a sheet of points becomes a KML document with a name
// layer and an icon layer (one default icon, or up to three custom icons
// chosen by the value of a data column).
#include <array>

#include "kml/KmlLandmark.h"
#include "widgets/LayerWindow.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tessaro::ui {

class Form5 : public LayerWindow {
  Q_OBJECT
 public:
  explicit Form5(QWidget* parent = nullptr);

  // Refills the three match lists with the data column's distinct values.
  void ListDataValues();
  // The window's settings as the generator takes them (the output as typed).
  tessaro::LandmarkParams params() const;

  // The icon groups' controls; their object names are "Check2_0".."Check2_2"
  // and "Combo7_0".."Combo7_2".
  QCheckBox* Check2(int k) const { return check2_[static_cast<std::size_t>(k)]; }
  QComboBox* Combo7(int k) const { return combo7_[static_cast<std::size_t>(k)]; }

 private:
  QGridLayout* pointRows();
  QGridLayout* iconRows();
  void fillIconLists();
  void setGroupsEnabled(bool enabled);
  void showPreview(QLabel* image, const QString& iconName);
  void generate();

  QComboBox* Combo1 = nullptr;
  QComboBox* Combo2 = nullptr;
  QComboBox* Combo3 = nullptr;
  QComboBox* Combo4 = nullptr;
  QCheckBox* Check1 = nullptr;
  QComboBox* Combo6 = nullptr;
  QRadioButton* Option1 = nullptr;
  QRadioButton* Option2 = nullptr;
  std::array<QCheckBox*, 3> check2_{};
  std::array<QComboBox*, 3> combo7_{};
  std::array<QComboBox*, 3> icons_{};  // Combo8, Combo9, Combo10
  std::array<QLabel*, 3> images_{};    // Image1, Image2, Image3
  QLineEdit* Text2 = nullptr;
};

}  // namespace tessaro::ui
