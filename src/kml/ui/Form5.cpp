#include "kml/ui/Form5.h"

namespace tessaro::ui {

Form5::Form5(QWidget* parent) : QWidget(parent) {
  setObjectName("Form5");
  setWindowTitle(QStringLiteral("CQT 地标"));
}

}  // namespace tessaro::ui
