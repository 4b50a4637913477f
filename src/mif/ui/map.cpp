#include "mif/ui/map.h"

namespace tessaro::ui {

map::map(QWidget* parent) : QWidget(parent) {
  setObjectName("map");
  setWindowTitle(QStringLiteral("Mapinfo 基站扇区"));
}

}  // namespace tessaro::ui
