#include "kml/ui/Form2.h"

namespace tessaro::ui {

Form2::Form2(QWidget* parent) : QWidget(parent) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("KML 路测轨迹"));
}

}  // namespace tessaro::ui
