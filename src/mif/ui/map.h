#pragma once
#include <QWidget>

namespace tessaro::ui {

// Placeholder window until its layer lands.
class map : public QWidget {
  Q_OBJECT
 public:
  explicit map(QWidget* parent = nullptr);

};

}  // namespace tessaro::ui
