#pragma once
#include "query/ui/FlyLineWindow.h"

namespace tessaro::ui {

// The KML fly-line window.
class Form3 : public FlyLineWindow {
  Q_OBJECT
 public:
  explicit Form3(QWidget* parent = nullptr);

 protected:
  void runFlyLine(const QString& output, const SectorBoxes& sector) override;
  const LayerMessages& messages() const override;
};

}  // namespace tessaro::ui
