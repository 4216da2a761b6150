// The resampler's innermost loop for 8-bit pixels: the weighted, premultiplied sum of a few source
// rows into one row of float lanes. It is written once portably and once for each vector
// instruction set x86-64 machines have (SSE2, AVX2, AVX-512); every version does the same float operations on every
// lane in the same order (multiplications and additions, never fused), so all give the same bits
// and a picture does not depend on the processor that drew it. Private to host/pixels.
#pragma once

#include <cstddef>

#include "AE_Effect.h"
#include "avx512_code.h"
#include "pixel_types.h"

namespace plenorium::host {

// Some of the rows a destination row reads: `count` rows of 8-bit pixels and one weight for each.
// A destination row that reads more rows is summed in blocks, each after the one before.
struct WeightedRows {
  const PF_Pixel8* const* rows;
  const float* weights;
  int count;
  bool afterEarlierRows;  // add to the sums in `column` rather than start them
};

// column[i] = (column[i] +) Σ_k weights[k] · (premultiplied, normalised pixel i of rows[k]), added
// in k's order, for i in [0, width). With channel values v, a pixel adds (255, r, g, b) · a ·
// weight / 255². No rows (and no earlier ones) gives zeros.
using SumRows8 = void (*)(const WeightedRows& rows, std::size_t width, Lanes* column);

void sumRows8Portable(const WeightedRows& rows, std::size_t width, Lanes* column);
#if defined(__x86_64__)
void sumRows8Sse2(const WeightedRows& rows, std::size_t width, Lanes* column);
// Only on a processor that has AVX2 (see processorHasAvx2).
void sumRows8Avx2(const WeightedRows& rows, std::size_t width, Lanes* column);
bool processorHasAvx2();
#endif
#if PLENORIUM_AVX512_PATHS
// Only on a processor that has AVX-512 F, BW and VL (see processorHasAvx512): sixteen pixels a
// step, the last few through masks.
void sumRows8Avx512(const WeightedRows& rows, std::size_t width, Lanes* column);
bool processorHasAvx512();
#endif

// The fastest version this processor runs, chosen on the first call.
SumRows8 fastestSumRows8();

}  // namespace plenorium::host
