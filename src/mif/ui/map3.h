#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class map3 : public QWidget {
  Q_OBJECT
 public:
  explicit map3(QWidget* parent = nullptr);

};

}  // namespace tessaro::ui
