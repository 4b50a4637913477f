#include "mif/ui/map2.h"

namespace tessaro::ui {

map2::map2(QWidget* parent) : QWidget(parent) {
  setObjectName("map2");
  setWindowTitle(QStringLiteral("Mapinfo 路测轨迹"));
}

}  // namespace tessaro::ui
