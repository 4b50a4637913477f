#pragma once
// The line colours of the fly-line layers.
//
// One generator serves the whole program run, so both fly-line windows draw
// from the same sequence and every run of the program draws the same colours:
// the 24-bit linear congruential generator
//   x <- (x * 1140671485 + 12820163) mod 2^24,  x = 327680 at program start,
// each draw being x / 2^24 after the update. A tessaro-cli process is a fresh
// program start, so it writes what a window's first generation writes.
#include <cstdint>

#include "common/Colour.h"

namespace tessaro {

// A generator of its own (tests, or a caller that must not disturb the
// program's sequence).
class RandomColourGenerator {
 public:
  static constexpr std::uint32_t kStart = 327680;
  explicit RandomColourGenerator(std::uint32_t state = kStart) : x_(state & 0xFFFFFFu) {}
  // The next uniform number in [0, 1).
  double draw();
  // RGB(r, g, b) with each channel floor(256 * draw), drawn red, green, blue;
  // red ends up in the low byte (0x00BBGGRR).
  ColourValue colour();
  std::uint32_t state() const { return x_; }

 private:
  std::uint32_t x_;
};

// A new colour from the program's generator (thread-safe).
ColourValue NewRandomColor();

// Puts the program's generator back to its start state, as at program start
// (tests that compare a window's first generation with tessaro-cli).
void RestartRandomColour();

}  // namespace tessaro
