#include "column_sums.h"

#if PLENORIUM_AVX512_PATHS
#include <immintrin.h>
#endif

namespace plenorium::host {
namespace {

// Pixel i alone: the portable rule, and the vector version's pixels that share no register.
inline Color4 sumColumn(const Lanes* column, A_long spanBegin, const TapRange& taps, const float* weights) {
  if (taps.count == 0) return Color4{};
  const float* w = weights + taps.offset;
  const Lanes* c = column + (taps.first - spanBegin);
  Lanes sum = c[0] * w[0];
  for (A_long k = 1; k < taps.count; ++k) sum += c[k] * w[k];
  return colorOf(sum);
}

}  // namespace

void sumColumnsPortable(const Lanes* column, A_long spanBegin, const TapRange* ranges, const float* weights,
                        std::size_t count, Color4* out) {
  for (std::size_t i = 0; i < count; ++i) out[i] = sumColumn(column, spanBegin, ranges[i], weights);
}

#if PLENORIUM_AVX512_PATHS

PLENORIUM_AVX512_CODE_BEGIN

// Four pixels with the same number of taps (at most eight) share a register, one pixel in each
// 128-bit quarter: tap k of all four is multiplied and added at once. Their weights lie one pixel
// after the other, so tap k's four weights are picked from the (at most 32) floats from the first.
PLENORIUM_AVX512 void sumColumnsAvx512(const Lanes* column, A_long spanBegin, const TapRange* ranges,
                                       const float* weights, std::size_t count, Color4* out) {
  constexpr A_long MAX_TAPS = 8;
  const __m512i quarter = _mm512_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3);
  std::size_t i = 0;
  while (i < count) {
    const A_long n = ranges[i].count;
    const bool together = i + 4 <= count && n > 0 && n <= MAX_TAPS && ranges[i + 1].count == n &&
                          ranges[i + 2].count == n && ranges[i + 3].count == n;
    if (!together) {
      out[i] = sumColumn(column, spanBegin, ranges[i], weights);
      ++i;
      continue;
    }
    const float* w = weights + ranges[i].offset;
    const auto weightCount = static_cast<unsigned>(4 * n);
    const __m512 lowWeights = _mm512_maskz_loadu_ps(static_cast<__mmask16>((1u << std::min(weightCount, 16u)) - 1), w);
    const __m512 highWeights =
        _mm512_maskz_loadu_ps(static_cast<__mmask16>((1u << (weightCount > 16 ? weightCount - 16 : 0)) - 1), w + 16);
    const float* c[4];
    for (int j = 0; j < 4; ++j) c[j] = reinterpret_cast<const float*>(column + (ranges[i + j].first - spanBegin));
    // Weight index of tap 0 for each lane: its pixel's first weight.
    const __m512i first = _mm512_mullo_epi32(quarter, _mm512_set1_epi32(n));
    __m512 sum = _mm512_setzero_ps();
    for (A_long k = 0; k < n; ++k) {
      const __m512 wk = _mm512_permutex2var_ps(lowWeights, _mm512_add_epi32(first, _mm512_set1_epi32(k)), highWeights);
      __m512 ck = _mm512_castps128_ps512(_mm_loadu_ps(c[0] + 4 * k));
      ck = _mm512_insertf32x4(ck, _mm_loadu_ps(c[1] + 4 * k), 1);
      ck = _mm512_insertf32x4(ck, _mm_loadu_ps(c[2] + 4 * k), 2);
      ck = _mm512_insertf32x4(ck, _mm_loadu_ps(c[3] + 4 * k), 3);
      const __m512 term = _mm512_mul_ps(ck, wk);
      sum = k == 0 ? term : _mm512_add_ps(sum, term);
    }
    _mm512_storeu_ps(reinterpret_cast<float*>(out + i), sum);
    i += 4;
  }
}

PLENORIUM_AVX512_CODE_END

SumColumns fastestSumColumns() {
  static const SumColumns fastest = processorHasAvx512() ? sumColumnsAvx512 : sumColumnsPortable;
  return fastest;
}

#else

SumColumns fastestSumColumns() {
  return sumColumnsPortable;
}

#endif

}  // namespace plenorium::host
