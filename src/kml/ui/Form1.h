#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class Form1 : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
  void RefreshTemplateList() {}
};

}  // namespace tessaro::ui
