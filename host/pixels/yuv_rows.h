// The inner loop of exportYuv420: two rows of 8-bit pixels into two rows of luma and one of
// chroma, with integer weights (RGB to YUV scaled by 2^15), so every version gives the same bytes.
// Written portably and with SSE2, which every x86-64 processor has. Private to host/pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "yuv_export.h"

namespace plenorium::host {

// Weights of the four bytes of a pixel, in memory order, for each output; the byte that holds
// alpha weighs nothing. Chroma weights of each output sum to zero, so grey has no colour.
struct YuvWeights {
  std::int16_t y[4], u[4], v[4];
};

// Where red, green and blue sit in a 4-byte pixel.
struct ByteOrder {
  int red, green, blue;
};
inline constexpr ByteOrder ARGB_BYTES{1, 2, 3};
inline constexpr ByteOrder RGBA_BYTES{0, 1, 2};

YuvWeights yuvWeights(YuvMatrix matrix, ByteOrder order);

// Pixels [from, width) of `top` and `bottom` (the same row at an odd picture's last row) into
// lumaTop and lumaBottom (null to skip it) and chroma samples [from / 2, (width + 1) / 2) of u and
// v; `from` is even.
struct YuvRowPair {
  const std::uint8_t* top;
  const std::uint8_t* bottom;
  std::size_t width;
  std::uint8_t* lumaTop;
  std::uint8_t* lumaBottom;
  std::uint8_t* u;
  std::uint8_t* v;
};

void yuvRowPairPortable(const YuvRowPair& rows, const YuvWeights& weights, std::size_t from);
#if defined(__x86_64__)
void yuvRowPairSse2(const YuvRowPair& rows, const YuvWeights& weights);
#endif

// The fastest version for this processor, from pixel 0.
void yuvRowPair(const YuvRowPair& rows, const YuvWeights& weights);

}  // namespace plenorium::host
