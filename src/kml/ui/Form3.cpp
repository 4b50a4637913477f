#include "kml/ui/Form3.h"

namespace tessaro::ui {

Form3::Form3(QWidget* parent) : QWidget(parent) {
  setObjectName("Form3");
  setWindowTitle(QStringLiteral("KML 飞线专题"));
}

}  // namespace tessaro::ui
