#include "mif/ui/map3.h"

#include <QLineEdit>
#include <QProgressBar>
#include <memory>

#include "kml/KmlFlyLine.h"
#include "mif/MifFlyLine.h"
#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"

namespace tessaro::ui {

map3::map3(QWidget* parent) : FlyLineWindow(Kind::Mif, parent) {
  setObjectName("map3");
  setWindowTitle(QStringLiteral("Mapinfo 飞线专题"));
}

void map3::Generate() {
  MifFlyLineParams p;
  p.workbook = Utf8(Text1->text());
  p.output = Utf8(Text6->text());
  p.inputs = Inputs();
  // The radius is the MIF sector window's box.
  p.radius = Utf8(SectorBox("map", "Text5", "80"));
  auto result = std::make_shared<MifFlyLineResult>();
  RunInBackground(
      this, Pro1, [p, result](Progress& progress) { *result = GenerateMifFlyLine(p, progress); },
      [this, result](std::exception_ptr error) {
        const QString title = QString::fromUtf8(kFlyLineTitle);
        if (error) {
          const QString reason = ErrorReason(error);
          dialogs().message(this, title, QString::fromUtf8(kMifFlyLineFailed), reason);
        } else {
          dialogs().message(this, title, QString::fromUtf8(kMifFlyLineDone), FromUtf8(result->replacementNote));
        }
      });
}

}  // namespace tessaro::ui
