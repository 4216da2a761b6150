// Worlds into the 8-bit 4:2:0 YUV planes most video encoders take, without an RGB buffer in
// between: colour composited over black (premultiplied by alpha, as an RGB file without alpha
// receives it), limited range (luma 16..235, chroma 16..240), each chroma sample the average of
// the 2 x 2 pixels it covers (the last column or row repeated at an odd edge).
#pragma once

#include <cstdint>

#include "world.h"

namespace plenorium::host {

enum class YuvMatrix { Bt601, Bt709 };

struct Yuv420Planes {
  int width = 0, height = 0;  // luma samples; chroma has half of each, rounded up
  std::uint8_t* y = nullptr;
  std::uint8_t* u = nullptr;
  std::uint8_t* v = nullptr;
  int yStride = 0, uStride = 0, vStride = 0;
};

// Writes the top-left dst.width x dst.height pixels of `src` (which has at least as many) into
// `dst`.
void exportYuv420(const World& src, const Yuv420Planes& dst, YuvMatrix matrix);

}  // namespace plenorium::host
