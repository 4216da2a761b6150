#include "yuv_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace plenorium::host {
namespace {

constexpr int LUMA_SHIFT = 15;
// Chroma weighs the sum of four pixels: two bits more.
constexpr int CHROMA_SHIFT = LUMA_SHIFT + 2;
constexpr std::int32_t LUMA_BIAS = (16 << LUMA_SHIFT) + (1 << (LUMA_SHIFT - 1));
constexpr std::int32_t CHROMA_BIAS = (128 << CHROMA_SHIFT) + (1 << (CHROMA_SHIFT - 1));

std::int16_t scaled(double weight) {
  return static_cast<std::int16_t>(std::lround(weight * (1 << LUMA_SHIFT)));
}

std::uint8_t luma(const std::uint8_t* p, const YuvWeights& w) {
  const std::int32_t sum = w.y[0] * p[0] + w.y[1] * p[1] + w.y[2] * p[2] + w.y[3] * p[3] + LUMA_BIAS;
  return static_cast<std::uint8_t>(sum >> LUMA_SHIFT);
}

std::uint8_t chroma(const std::int32_t (&sums)[4], const std::int16_t (&w)[4]) {
  const std::int32_t sum = w[0] * sums[0] + w[1] * sums[1] + w[2] * sums[2] + w[3] * sums[3] + CHROMA_BIAS;
  return static_cast<std::uint8_t>(sum >> CHROMA_SHIFT);
}

}  // namespace

YuvWeights yuvWeights(YuvMatrix matrix, ByteOrder order) {
  const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
  const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
  const double kg = 1.0 - kr - kb;
  // Limited range: 219 luma steps and 224 chroma steps span what 255 RGB steps do.
  const double lumaScale = 219.0 / 255.0, chromaScale = 224.0 / 255.0;
  YuvWeights w{};
  w.y[order.red] = scaled(kr * lumaScale);
  w.y[order.green] = scaled(kg * lumaScale);
  w.y[order.blue] = scaled(kb * lumaScale);
  // (B − Y) / (2 (1 − kb)) and (R − Y) / (2 (1 − kr)); the weight of the channel itself takes what
  // makes the three sum to zero.
  w.u[order.red] = scaled(-kr / (2 * (1 - kb)) * chromaScale);
  w.u[order.green] = scaled(-kg / (2 * (1 - kb)) * chromaScale);
  w.u[order.blue] = static_cast<std::int16_t>(-(w.u[order.red] + w.u[order.green]));
  w.v[order.green] = scaled(-kg / (2 * (1 - kr)) * chromaScale);
  w.v[order.blue] = scaled(-kb / (2 * (1 - kr)) * chromaScale);
  w.v[order.red] = static_cast<std::int16_t>(-(w.v[order.green] + w.v[order.blue]));
  return w;
}

void yuvRowPairPortable(const YuvRowPair& rows, const YuvWeights& weights, std::size_t from) {
  for (std::size_t x = from; x < rows.width; ++x) {
    rows.lumaTop[x] = luma(rows.top + x * 4, weights);
    if (rows.lumaBottom != nullptr) rows.lumaBottom[x] = luma(rows.bottom + x * 4, weights);
  }
  for (std::size_t x = from; x < rows.width; x += 2) {
    const std::size_t next = std::min(x + 1, rows.width - 1);
    std::int32_t sums[4];
    for (int k = 0; k < 4; ++k) {
      sums[k] = rows.top[x * 4 + k] + rows.top[next * 4 + k] + rows.bottom[x * 4 + k] + rows.bottom[next * 4 + k];
    }
    rows.u[x / 2] = chroma(sums, weights.u);
    rows.v[x / 2] = chroma(sums, weights.v);
  }
}

#if defined(__x86_64__)

namespace {

// The four 32-bit sums of each pixel's two weighted pairs (as _mm_madd_epi16 leaves them for two
// registers of two pixels each), added per pixel, biased and shifted.
template <int SHIFT>
__m128i pairSums(__m128i a, __m128i b, __m128i bias) {
  const __m128 pa = _mm_castsi128_ps(a), pb = _mm_castsi128_ps(b);
  const __m128i even = _mm_castps_si128(_mm_shuffle_ps(pa, pb, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(pa, pb, _MM_SHUFFLE(3, 1, 3, 1)));
  const __m128i sum = _mm_add_epi32(_mm_add_epi32(even, odd), bias);
  return _mm_srai_epi32(sum, SHIFT);
}

__m128i weightsOf(const std::int16_t (&w)[4]) {
  return _mm_setr_epi16(w[0], w[1], w[2], w[3], w[0], w[1], w[2], w[3]);
}

}  // namespace

// Eight pixels of both rows per step: sixteen luma samples and four of each chroma plane.
void yuvRowPairSse2(const YuvRowPair& rows, const YuvWeights& weights) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i wy = weightsOf(weights.y), wu = weightsOf(weights.u), wv = weightsOf(weights.v);
  const __m128i lumaBias = _mm_set1_epi32(LUMA_BIAS), chromaBias = _mm_set1_epi32(CHROMA_BIAS);
  // Luma of eight pixels, as bytes in the low half.
  auto luma8 = [&](__m128i p0, __m128i p1) {
    const __m128i l0 = pairSums<LUMA_SHIFT>(_mm_madd_epi16(_mm_unpacklo_epi8(p0, zero), wy),
                                            _mm_madd_epi16(_mm_unpackhi_epi8(p0, zero), wy), lumaBias);
    const __m128i l1 = pairSums<LUMA_SHIFT>(_mm_madd_epi16(_mm_unpacklo_epi8(p1, zero), wy),
                                            _mm_madd_epi16(_mm_unpackhi_epi8(p1, zero), wy), lumaBias);
    const __m128i words = _mm_packs_epi32(l0, l1);
    return _mm_packus_epi16(words, words);
  };
  // The channel sums of the two 2 x 2 blocks of four pixels of each row, as 16-bit lanes.
  auto blockSums = [&](__m128i top, __m128i bottom) {
    const __m128i low = _mm_add_epi16(_mm_unpacklo_epi8(top, zero), _mm_unpacklo_epi8(bottom, zero));
    const __m128i high = _mm_add_epi16(_mm_unpackhi_epi8(top, zero), _mm_unpackhi_epi8(bottom, zero));
    return _mm_unpacklo_epi64(_mm_add_epi16(low, _mm_srli_si128(low, 8)), _mm_add_epi16(high, _mm_srli_si128(high, 8)));
  };
  // Four chroma samples, as bytes in the lowest 32 bits.
  auto chroma4 = [&](__m128i s0, __m128i s1, __m128i w) {
    const __m128i c = pairSums<CHROMA_SHIFT>(_mm_madd_epi16(s0, w), _mm_madd_epi16(s1, w), chromaBias);
    const __m128i words = _mm_packs_epi32(c, c);
    return _mm_packus_epi16(words, words);
  };
  std::size_t x = 0;
  for (; x + 8 <= rows.width; x += 8) {
    const __m128i t0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.top + x * 4));
    const __m128i t1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.top + x * 4 + 16));
    const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.bottom + x * 4));
    const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows.bottom + x * 4 + 16));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(rows.lumaTop + x), luma8(t0, t1));
    if (rows.lumaBottom != nullptr) _mm_storel_epi64(reinterpret_cast<__m128i*>(rows.lumaBottom + x), luma8(b0, b1));
    const __m128i s0 = blockSums(t0, b0), s1 = blockSums(t1, b1);
    const int u = _mm_cvtsi128_si32(chroma4(s0, s1, wu)), v = _mm_cvtsi128_si32(chroma4(s0, s1, wv));
    std::memcpy(rows.u + x / 2, &u, 4);
    std::memcpy(rows.v + x / 2, &v, 4);
  }
  yuvRowPairPortable(rows, weights, x);
}

void yuvRowPair(const YuvRowPair& rows, const YuvWeights& weights) {
  yuvRowPairSse2(rows, weights);
}

#else

void yuvRowPair(const YuvRowPair& rows, const YuvWeights& weights) {
  yuvRowPairPortable(rows, weights, 0);
}

#endif

}  // namespace plenorium::host
