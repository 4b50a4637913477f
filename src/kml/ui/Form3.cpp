#include "kml/ui/Form3.h"

#include "kml/KmlFlyLine.h"
#include "widgets/Controls.h"

namespace tessaro::ui {

Form3::Form3(QWidget* parent) : FlyLineWindow(Kind::Kml, parent) { offerExtras({Extra::Kmz, Extra::Regionate}); }

const LayerMessages& Form3::messages() const { return kKmlFlyLineMessages; }

void Form3::runFlyLine(const QString& output, const SectorBoxes& sector) {
  KmlFlyLineParams p;
  p.workbook = Utf8(picker()->workbook());
  p.output = Utf8(output);
  p.inputs = inputs();
  p.radius = sector.radius;
  p.altitude = sector.altitude;
  p.outputOptions.regionate = extras().regionate;
  runLayer(kKmlFlyLineMessages, {output}, [p](Progress& progress) { GenerateKmlFlyLine(p, progress); });
}

}  // namespace tessaro::ui
