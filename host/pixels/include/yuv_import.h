// Decoded 8-bit 4:2:0 YUV planes into an 8-bit world, written as alpha, red, green, blue in one
// pass. The arithmetic is the fixed-point one FFmpeg's swscale runs on x86 for a conversion that
// keeps the size (16-bit products keeping their high half, saturating sums, each chroma sample
// covering 2 x 2 pixels), so a frame converted here has the bytes swscale gives it; the caller
// checks that against swscale once per colour setting before relying on it.
#pragma once

#include <array>
#include <cstdint>

#include "world.h"

namespace plenorium::host {

struct Yuv420Source {
  int width = 0, height = 0;  // luma samples; chroma has half of each, rounded up
  const std::uint8_t* y = nullptr;
  const std::uint8_t* u = nullptr;
  const std::uint8_t* v = nullptr;
  int yStride = 0, uStride = 0, vStride = 0;
};

// The 16-bit weights of the conversion: a term is (sample * 8 - offset) * weight / 65536, rounded
// down. Green's weights are negative.
struct YuvToRgbWeights {
  std::int16_t luma = 0, lumaOffset = 0;
  std::int16_t blueFromU = 0, redFromV = 0, greenFromU = 0, greenFromV = 0;
};

// The weights for a matrix given as swscale's inverse table names it (red from V, blue from U,
// green from U, green from V, all positive, in 1/65536) and a range, at swscale's default
// brightness, contrast and saturation.
YuvToRgbWeights yuvToRgbWeights(const std::array<int, 4>& inverseTable, bool fullRange);

// Converts the top-left out.width() x out.height() pixels (`src` has at least as many) into
// `out`, opaque. `out` is 8-bit.
void importYuv420(const Yuv420Source& src, const YuvToRgbWeights& weights, World& out);

// Whether importYuv420 runs vector code on this processor; without it swscale is faster.
bool yuvImportIsFast();

}  // namespace plenorium::host
