// Fuzzes the template parsers (sector and drive-test templates) and the
// legend built from a drive-test template. Nothing may crash; a refused file
// gives a short message of printable UTF-8 whatever bytes it holds; a
// template whose lines are plain printable ASCII reads back the same after
// it is written.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Encoding.h"
#include "common/Error.h"
#include "common/Text.h"
#include "templates/DriveTestTemplate.h"
#include "templates/SectorTemplate.h"
#include "templates/ThresholdLegend.h"

namespace {

void CheckMessage(const tessaro::Error& e) {
  const std::string m = e.what();
  if (m.empty() || m.size() > 600 || !tessaro::IsUtf8(m)) std::abort();
  for (unsigned char c : m)
    if (c < 0x20 || c == 0x7F) std::abort();
}

bool PlainAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c >= 0x7F) return false;
  return true;
}

void Sector(const std::string& bytes) {
  using namespace tessaro;
  SectorSettings s;
  try {
    s = ParseSectorTemplate(bytes, "t.txt");
  } catch (const Error& e) {
    CheckMessage(e);
    return;
  }
  for (const std::string* line : {&s.opacity, &s.outlineWidth, &s.labelScale, &s.radius, &s.altitude, &s.beamwidth})
    if (!PlainAscii(*line)) return;
  const SectorSettings again = ParseSectorTemplate(SectorTemplateBytes(s), "t.txt");
  if (again.opacity != s.opacity || again.beamwidth != s.beamwidth || again.radius != s.radius ||
      again.outlineColour != s.outlineColour || again.fillColour != s.fillColour || again.labelColour != s.labelColour)
    std::abort();
}

void DriveTest(const std::string& bytes) {
  using namespace tessaro;
  DriveTestTemplate t;
  try {
    t = ParseDriveTestTemplate(bytes, "d.txt");
  } catch (const Error& e) {
    CheckMessage(e);
    return;
  }
  ThresholdLegend legend = ThresholdLegend::FromBounds(t.bounds, t.colours);
  try {
    legend.check();
  } catch (const Error& e) {
    CheckMessage(e);
  }
  for (double v : {-200.0, -95.0, -85.5, 0.0, LeadingNumber(t.scale), LeadingNumber(t.bounds[5])}) legend.colourFor(v);
  if (!PlainAscii(t.scale)) return;
  for (const auto& b : t.bounds)
    if (!PlainAscii(b)) return;
  const DriveTestTemplate again = ParseDriveTestTemplate(DriveTestTemplateText(t), "d.txt");
  if (again.scale != t.scale || again.bounds != t.bounds || again.colours != t.colours) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Sector(bytes);
  DriveTest(bytes);
  const std::size_t max = size ? data[0] % 100 : 80;
  const std::string excerpt = tessaro::PrintableExcerpt(bytes, max);
  if (!tessaro::IsUtf8(excerpt) || excerpt.size() > 4 * max + 3) std::abort();
  const std::string problem = tessaro::TemplateNameProblem(bytes);
  if (problem.empty() && (bytes.find('/') != std::string::npos || bytes == "..")) std::abort();
  return 0;
}
