#pragma once
// The landmark window: a sheet of points becomes a KML document with a name
// layer and an icon layer (one default icon, or up to three custom icons
// chosen by the value of a data column).
#include <QWidget>
#include <array>

#include "kml/KmlLandmark.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tessaro::ui {

class Form5 : public QWidget {
  Q_OBJECT
 public:
  explicit Form5(QWidget* parent = nullptr);

  // Refills the three match lists with the data column's distinct values.
  void ListDataValues();
  // The window's settings as the generator takes them.
  tessaro::LandmarkParams Params() const;

  // The icon groups' controls; their object names are "Check2_0".."Check2_2"
  // and "Combo7_0".."Combo7_2".
  QCheckBox* Check2(int k) const { return check2_[static_cast<std::size_t>(k)]; }
  QComboBox* Combo7(int k) const { return combo7_[static_cast<std::size_t>(k)]; }

 private:
  void Command2_Click();
  void Combo5_Click();
  void Command1_Click();
  void SetGroupsEnabled(bool enabled);
  void ShowPreview(QLabel* image, const QString& iconName);

  QLineEdit* Text1 = nullptr;
  QPushButton* Command2 = nullptr;
  QComboBox* Combo5 = nullptr;
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
  std::array<QComboBox*, 3> icons_{};   // Combo8, Combo9, Combo10
  std::array<QLabel*, 3> images_{};     // Image1, Image2, Image3
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text6 = nullptr;
  QPushButton* Command1 = nullptr;
  QProgressBar* Pro1 = nullptr;
  QString fileName_;  // the chosen workbook's file name, for the proposed output name
};

}  // namespace tessaro::ui
