// The inner loop of importYuv420: one row of luma and the chroma row it shares into one row of
// 8-bit ARGB pixels. Written portably, with AVX2 (sixteen pixels a step) and with AVX-512; every version does the
// same 16-bit integer arithmetic and gives the same bytes. Private to host/pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "row_sums.h"
#include "yuv_import.h"

namespace plenorium::host {

struct YuvRow {
  const std::uint8_t* y;
  const std::uint8_t* u;  // sample x / 2 covers pixels x and x + 1
  const std::uint8_t* v;
  std::size_t width;
  std::uint8_t* argb;
};

// Pixels [from, width) of `row`; `from` is even.
void yuvToArgbRowPortable(const YuvRow& row, const YuvToRgbWeights& weights, std::size_t from);
#if defined(__x86_64__)
// Only on a processor that has AVX2 (see processorHasAvx2 in row_sums.h).
void yuvToArgbRowAvx2(const YuvRow& row, const YuvToRgbWeights& weights);
#endif
#if PLENORIUM_AVX512_PATHS
// Thirty-two pixels a step; only on a processor that has AVX-512 F, BW and VL (processorHasAvx512).
void yuvToArgbRowAvx512(const YuvRow& row, const YuvToRgbWeights& weights);
#endif

}  // namespace plenorium::host
