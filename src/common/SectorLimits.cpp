#include "common/SectorLimits.h"

#include <cmath>

namespace tessaro {

bool BeamwidthInRange(double degrees) { return std::isfinite(degrees) && degrees > 0 && degrees <= kMaxBeamwidth; }

bool RadiusInRange(double metres) { return std::isfinite(metres) && metres > 0 && metres <= kMaxRadius; }

std::string BeamwidthRangeText(const std::string& what, const std::string& text) {
  return what + "“" + text + "”超出范围（应大于 0 且不超过 360 度）";
}

std::string RadiusRangeText(const std::string& what, const std::string& text) {
  return what + "“" + text + "”超出范围（应大于 0 且不超过 100000 米）";
}

}  // namespace tessaro
