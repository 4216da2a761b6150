// A world's reduction pyramid: level n (n >= 1) holds premultiplied normalised colour, each texel
// the average of a 2 × 2 block of level n - 1, with texels beyond the picture counted as
// transparent. Level 0 is the world itself. Private to host/pixels.
#pragma once

#include <vector>

#include "pixel_types.h"
#include "thread_pool.h"
#include "world.h"

namespace plenorium::host {

struct MipLevel {
  A_long width = 0;
  A_long height = 0;
  std::vector<Color4> texels;  // premultiplied, row-major

  const Color4& at(A_long x, A_long y) const { return texels[static_cast<std::size_t>(y) * width + x]; }
};

class MipChain {
 public:
  MipChain(const World& world, ThreadPool& pool);
  // Levels 1, 2, …; levels()[0] is level 1.
  const std::vector<MipLevel>& levels() const { return levels_; }

 private:
  std::vector<MipLevel> levels_;
};

}  // namespace plenorium::host
