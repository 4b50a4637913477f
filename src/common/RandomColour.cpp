#include "common/RandomColour.h"

#include <mutex>

namespace tessaro {

double RandomColourGenerator::draw() {
  const std::uint64_t next = (static_cast<std::uint64_t>(x_) * 1140671485u + 12820163u) & 0xFFFFFFu;
  x_ = static_cast<std::uint32_t>(next);
  return static_cast<double>(x_) / 16777216.0;
}

ColourValue RandomColourGenerator::colour() {
  // floor(256 * x / 2^24) is the top byte of the 24-bit state.
  const ColourValue r = static_cast<ColourValue>(draw() * 256.0);
  const ColourValue g = static_cast<ColourValue>(draw() * 256.0);
  const ColourValue b = static_cast<ColourValue>(draw() * 256.0);
  return r | (g << 8) | (b << 16);
}

namespace {
std::mutex gMutex;
RandomColourGenerator gGenerator;
}  // namespace

ColourValue NewRandomColor() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gGenerator.colour();
}

void RestartRandomColour() {
  std::lock_guard<std::mutex> lock(gMutex);
  gGenerator = RandomColourGenerator();
}

}  // namespace tessaro
