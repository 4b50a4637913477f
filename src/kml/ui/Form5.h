#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class Form5 : public QWidget {
  Q_OBJECT
 public:
  explicit Form5(QWidget* parent = nullptr);

};

}  // namespace tessaro::ui
