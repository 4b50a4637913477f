#include "mif/ui/map3.h"

namespace tessaro::ui {

map3::map3(QWidget* parent) : QWidget(parent) {
  setObjectName("map3");
  setWindowTitle(QStringLiteral("Mapinfo 飞线专题"));
}

}  // namespace tessaro::ui
