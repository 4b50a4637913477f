#pragma once
// Small builders for the fixed-position layouts of the layer windows.
#include <QLabel>
#include <QString>
#include <QWidget>

namespace tessaro::ui {

// A label of one row's height at (x, y).
inline QLabel* Caption(QWidget* parent, const QString& text, int x, int y, int w) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 22);
  return l;
}

// Places a control; rows are 22 pixels high unless told otherwise.
inline void Place(QWidget* w, int x, int y, int width, int height = 22) { w->setGeometry(x, y, width, height); }

}  // namespace tessaro::ui
