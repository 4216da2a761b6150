#include "wall_random.h"

#include <bit>

namespace plenorium {

void skipDraws(WallRandom& random) {
  const int extra = random.draw() % 10;
  for (int i = 0; i < extra; ++i) random.draw();
}

float unitValue(int draw) {
  // The float nearest 1/32767, taken by its bits so that every compiler uses the same number.
  constexpr float K = std::bit_cast<float>(0x38000100u);
  return static_cast<float>(draw) * K;
}

}  // namespace plenorium
