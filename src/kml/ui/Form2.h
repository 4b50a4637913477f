#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(QWidget* parent = nullptr);
  void RefreshTemplateList() {}
};

}  // namespace tessaro::ui
