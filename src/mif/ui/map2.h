#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class map2 : public QWidget {
  Q_OBJECT
 public:
  explicit map2(QWidget* parent = nullptr);

};

}  // namespace tessaro::ui
