#include "row_sums.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace plenorium::host {
namespace {

constexpr float MAX = Channel<PixelDepth::U8>::MAX;

// A row's weight as each pixel's alpha is multiplied by: weight / 255², so that a · w · v is the
// premultiplied, normalised channel times the weight.
float pixelWeight(float weight) {
  return weight / (MAX * MAX);
}

// Pixels [from, width) of every row, one at a time: the portable rule, and the tail of the vector
// versions.
void sumPixels(const WeightedRows& rows, std::size_t from, std::size_t width, Lanes* column) {
  for (std::size_t i = from; i < width; ++i) {
    Lanes sum = rows.afterEarlierRows ? column[i] : Lanes{};
    for (int k = 0; k < rows.count; ++k) {
      const Lanes term = weightedPremultiplied<PixelDepth::U8>(rows.rows[k][i], pixelWeight(rows.weights[k]));
      sum = k == 0 && !rows.afterEarlierRows ? term : sum + term;
    }
    column[i] = sum;
  }
}

}  // namespace

void sumRows8Portable(const WeightedRows& rows, std::size_t width, Lanes* column) {
  sumPixels(rows, 0, width, column);
}

#if defined(__x86_64__)

// Four pixels per step, each pixel's four channels in one register. An opaque pixel's terms are
// its channels times 255 · w: the same product the general rule forms as alpha times w.
void sumRows8Sse2(const WeightedRows& rows, std::size_t width, Lanes* column) {
  if (rows.count == 0) return sumPixels(rows, 0, width, column);
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaBytes = _mm_set1_epi32(0xFF);
  const __m128 keepColour = _mm_castsi128_ps(_mm_set_epi32(-1, -1, -1, 0));
  const __m128 alphaLane = _mm_set_ps(0, 0, 0, MAX);
  // The terms of pixels [i, i + 4) of row k.
  auto termsOf = [&](int k, std::size_t i, __m128(&terms)[4]) {
    const float w = pixelWeight(rows.weights[k]);
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.rows[k] + i));
    const __m128i low = _mm_unpacklo_epi8(four, zero), high = _mm_unpackhi_epi8(four, zero);
    const __m128i widened[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                                _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
    const bool opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(four, alphaBytes), alphaBytes)) == 0xFFFF;
    const __m128 opaqueWeight = _mm_set1_ps(MAX * w), wv = _mm_set1_ps(w);
    for (int p = 0; p < 4; ++p) {
      const __m128 v = _mm_cvtepi32_ps(widened[p]);
      terms[p] =
          opaque ? _mm_mul_ps(v, opaqueWeight)
                 : _mm_mul_ps(_mm_or_ps(_mm_and_ps(v, keepColour), alphaLane), _mm_mul_ps(_mm_shuffle_ps(v, v, 0), wv));
    }
  };
  std::size_t i = 0;
  for (; i + 4 <= width; i += 4) {
    __m128 sum[4];
    int k = 0;
    if (rows.afterEarlierRows) {
      for (int p = 0; p < 4; ++p) sum[p] = _mm_loadu_ps(reinterpret_cast<const float*>(column + i + p));
    } else {
      termsOf(k++, i, sum);
    }
    for (; k < rows.count; ++k) {
      __m128 terms[4];
      termsOf(k, i, terms);
      for (int p = 0; p < 4; ++p) sum[p] = _mm_add_ps(sum[p], terms[p]);
    }
    for (int p = 0; p < 4; ++p) _mm_storeu_ps(reinterpret_cast<float*>(column + i + p), sum[p]);
  }
  sumPixels(rows, i, width, column);
}

// Eight pixels per step, two in each register.
__attribute__((target("avx2"))) void sumRows8Avx2(const WeightedRows& rows, std::size_t width, Lanes* column) {
  if (rows.count == 0) return sumPixels(rows, 0, width, column);
  const __m256i alphaBytes = _mm256_set1_epi32(0xFF);
  const __m256 keepColour = _mm256_castsi256_ps(_mm256_setr_epi32(0, -1, -1, -1, 0, -1, -1, -1));
  const __m256 alphaLane = _mm256_setr_ps(MAX, 0, 0, 0, MAX, 0, 0, 0);
  // The terms of pixels [i, i + 8) of row k.
  auto termsOf = [&](int k, std::size_t i, __m256(&terms)[4]) __attribute__((target("avx2"))) {
    const float w = pixelWeight(rows.weights[k]);
    const __m256i eight = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows.rows[k] + i));
    const __m128i low = _mm256_castsi256_si128(eight), high = _mm256_extracti128_si256(eight, 1);
    const __m128i pairs[4] = {low, _mm_srli_si128(low, 8), high, _mm_srli_si128(high, 8)};
    const bool opaque = _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(eight, alphaBytes), alphaBytes)) == -1;
    const __m256 opaqueWeight = _mm256_set1_ps(MAX * w), wv = _mm256_set1_ps(w);
    for (int p = 0; p < 4; ++p) {
      const __m256 v = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(pairs[p]));
      terms[p] = opaque ? _mm256_mul_ps(v, opaqueWeight)
                        : _mm256_mul_ps(_mm256_or_ps(_mm256_and_ps(v, keepColour), alphaLane),
                                        _mm256_mul_ps(_mm256_permute_ps(v, 0), wv));
    }
  };
  std::size_t i = 0;
  for (; i + 8 <= width; i += 8) {
    __m256 sum[4];
    int k = 0;
    if (rows.afterEarlierRows) {
      for (int p = 0; p < 4; ++p) sum[p] = _mm256_loadu_ps(reinterpret_cast<const float*>(column + i + 2 * p));
    } else {
      termsOf(k++, i, sum);
    }
    for (; k < rows.count; ++k) {
      __m256 terms[4];
      termsOf(k, i, terms);
      for (int p = 0; p < 4; ++p) sum[p] = _mm256_add_ps(sum[p], terms[p]);
    }
    for (int p = 0; p < 4; ++p) _mm256_storeu_ps(reinterpret_cast<float*>(column + i + 2 * p), sum[p]);
  }
  // Clean upper halves before the tail's 128-bit code: mixing them dirty slows every later SSE
  // instruction down.
  _mm256_zeroupper();
  sumPixels(rows, i, width, column);
}

#if PLENORIUM_AVX512_PATHS

PLENORIUM_AVX512_CODE_BEGIN

namespace {

// Pixels [i, i + 16) of every row, four pixels (sixteen lanes) in each register; with TAIL only the
// first `n` of them, the others neither read nor written. Four bytes of a pixel and its four lanes
// are both selected by four bits of a mask.
template <bool TAIL>
PLENORIUM_AVX512 inline void sum16Avx512(const WeightedRows& rows, std::size_t i, std::size_t n, Lanes* column) {
  constexpr __mmask16 ALPHA_LANES = 0x1111;
  const __m512i alphaBytes = _mm512_set1_epi32(0xFF);
  const __m512 max = _mm512_set1_ps(MAX);
  __mmask16 mask[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  if constexpr (TAIL) {
    for (std::size_t p = 0; p < 4; ++p) {
      const std::size_t inGroup = n > 4 * p ? std::min<std::size_t>(n - 4 * p, 4) : 0;
      mask[p] = static_cast<__mmask16>((1u << (4 * inGroup)) - 1);
    }
  }
  // The terms of row k. An opaque run's are its channels times 255 · w, the product the general
  // rule forms as alpha times w, so the tail may take the general rule for any pixel.
  const auto termsOf = [&](int k, __m512(&terms)[4]) PLENORIUM_AVX512 {
    const PF_Pixel8* row = rows.rows[k] + i;
    const float w = pixelWeight(rows.weights[k]);
    bool opaque = false;
    if constexpr (!TAIL) {
      const __m512i sixteen = _mm512_loadu_si512(row);
      opaque = _mm512_cmpneq_epi32_mask(_mm512_and_si512(sixteen, alphaBytes), alphaBytes) == 0;
    }
    const __m512 opaqueWeight = _mm512_set1_ps(MAX * w), wv = _mm512_set1_ps(w);
    for (int p = 0; p < 4; ++p) {
      const __m128i four = TAIL ? _mm_maskz_loadu_epi8(mask[p], row + 4 * p)
                                : _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * p));
      const __m512 v = _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(four));
      terms[p] =
          opaque ? _mm512_mul_ps(v, opaqueWeight)
                 : _mm512_mul_ps(_mm512_mask_mov_ps(v, ALPHA_LANES, max), _mm512_mul_ps(_mm512_permute_ps(v, 0), wv));
    }
  };
  float* sums = reinterpret_cast<float*>(column + i);
  __m512 sum[4];
  int k = 0;
  if (rows.afterEarlierRows) {
    for (int p = 0; p < 4; ++p) sum[p] = _mm512_maskz_loadu_ps(mask[p], sums + 16 * p);
  } else {
    termsOf(k++, sum);
  }
  for (; k < rows.count; ++k) {
    __m512 terms[4];
    termsOf(k, terms);
    for (int p = 0; p < 4; ++p) sum[p] = _mm512_add_ps(sum[p], terms[p]);
  }
  for (int p = 0; p < 4; ++p) _mm512_mask_storeu_ps(sums + 16 * p, mask[p], sum[p]);
}

}  // namespace

PLENORIUM_AVX512 void sumRows8Avx512(const WeightedRows& rows, std::size_t width, Lanes* column) {
  if (rows.count == 0) return sumPixels(rows, 0, width, column);
  std::size_t i = 0;
  for (; i + 16 <= width; i += 16) sum16Avx512<false>(rows, i, 16, column);
  if (i < width) sum16Avx512<true>(rows, i, width - i, column);
}

PLENORIUM_AVX512_CODE_END

bool processorHasAvx512() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
}

#endif

bool processorHasAvx2() {
  return __builtin_cpu_supports("avx2");
}

SumRows8 fastestSumRows8() {
#if PLENORIUM_AVX512_PATHS
  static const SumRows8 fastest = processorHasAvx512() ? sumRows8Avx512
                                  : processorHasAvx2() ? sumRows8Avx2
                                                       : sumRows8Sse2;
#else
  static const SumRows8 fastest = processorHasAvx2() ? sumRows8Avx2 : sumRows8Sse2;
#endif
  return fastest;
}

#else

SumRows8 fastestSumRows8() {
  return sumRows8Portable;
}

#endif

}  // namespace plenorium::host
