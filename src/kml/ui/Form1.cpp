#include "kml/ui/Form1.h"

namespace tessaro::ui {

Form1::Form1(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setWindowTitle(QStringLiteral("KML 基站扇区"));
}

}  // namespace tessaro::ui
