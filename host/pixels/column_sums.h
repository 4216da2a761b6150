// The resampler's horizontal pass: each destination pixel the weighted sum of a few neighbouring
// columns of the vertical pass. Written portably and with AVX-512 (four pixels a register); both
// do the same float operations in the same order and give the same bits. Private to host/pixels.
#pragma once

#include <cstddef>

#include "AE_Effect.h"
#include "pixel_types.h"
#include "row_sums.h"

namespace plenorium::host {

// The source indices [first, first + count) a destination pixel reads, and the offset of the first
// of their weights in one flat array (the pixels' weights follow one another in that array).
struct TapRange {
  A_long first = 0;
  A_long count = 0;
  std::size_t offset = 0;
};

// For i in [0, count): out[i] = Σ_k column[ranges[i].first - spanBegin + k] · weights[ranges[i].offset + k],
// the first product alone and each next one added in k's order; a pixel with no taps is transparent.
using SumColumns = void (*)(const Lanes* column, A_long spanBegin, const TapRange* ranges, const float* weights,
                            std::size_t count, Color4* out);

void sumColumnsPortable(const Lanes* column, A_long spanBegin, const TapRange* ranges, const float* weights,
                        std::size_t count, Color4* out);
#if PLENORIUM_AVX512_PATHS
// Only on a processor that has AVX-512 F, BW and VL (processorHasAvx512 in row_sums.h).
void sumColumnsAvx512(const Lanes* column, A_long spanBegin, const TapRange* ranges, const float* weights,
                      std::size_t count, Color4* out);
#endif

// The fastest version this processor runs, chosen on the first call.
SumColumns fastestSumColumns();

}  // namespace plenorium::host
