#include "mif/ui/map3.h"

#include <memory>

#include "mif/MifFlyLine.h"
#include "widgets/Controls.h"

namespace tessaro::ui {

map3::map3(QWidget* parent) : FlyLineWindow(Kind::Mif, parent) {}

const LayerMessages& map3::messages() const { return kMifFlyLineMessages; }

void map3::runFlyLine(const QString& output, const SectorBoxes& sector) {
  MifFlyLineParams p;
  p.workbook = Utf8(picker()->workbook());
  p.output = Utf8(output);
  p.inputs = inputs();
  p.radius = sector.radius;
  auto result = std::make_shared<MifFlyLineResult>();
  runLayer(
      kMifFlyLineMessages, {output + ".mif", output + ".mid"},
      [p, result](Progress& progress) { *result = GenerateMifFlyLine(p, progress); },
      [result] { return QStringList{FromUtf8(result->replacementNote)}; });
}

}  // namespace tessaro::ui
