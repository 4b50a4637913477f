#pragma once
#include "query/ui/FlyLineWindow.h"

namespace tessaro::ui {

// The MIF fly-line window: the input side of Form3, written as a MIF/MID pair.
class map3 : public FlyLineWindow {
  Q_OBJECT
 public:
  explicit map3(QWidget* parent = nullptr);

 protected:
  void runFlyLine(const QString& output, const SectorBoxes& sector) override;
  const LayerMessages& messages() const override;
};

}  // namespace tessaro::ui
