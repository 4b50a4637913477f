#pragma once
// The notes window: the built-in help page.
#include <QWidget>

namespace tessaro::ui {

class Form4 : public QWidget {
  Q_OBJECT
 public:
  explicit Form4(QWidget* parent = nullptr);
  // The contact and disclaimer message.
  static QString ContactText();
};

}  // namespace tessaro::ui
