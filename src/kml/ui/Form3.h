#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class Form3 : public QWidget {
  Q_OBJECT
 public:
  explicit Form3(QWidget* parent = nullptr);

};

}  // namespace tessaro::ui
