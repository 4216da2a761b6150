// The deterministic generator behind every random choice of the wall. The same seed gives the
// same draws on every machine and in every pass.
#pragma once

#include <cstdint>

namespace plenorium {

class WallRandom {
 public:
  explicit WallRandom(std::int32_t seed) : state_(static_cast<std::uint32_t>(seed)) {}

  // A value 0..32767.
  int draw() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_;
};

// Draws n, then draws and drops n mod 10 further values.
void skipDraws(WallRandom& random);

// A draw as a fraction 0..1 in single precision; exactly 1 only for 32767.
float unitValue(int draw);

}  // namespace plenorium
