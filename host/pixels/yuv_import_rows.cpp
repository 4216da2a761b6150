#include "yuv_import_rows.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace plenorium::host {
namespace {

// The high half of a signed 16 x 16-bit product (rounded down), as a vector multiply keeps it.
int mulHigh(int a, int b) {
  return (a * b) >> 16;
}

int saturate16(int value) {
  return std::clamp(value, -32768, 32767);
}

std::uint8_t clampByte(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Every sample is taken times 8; chroma is centred on 128 * 8.
constexpr int CHROMA_OFFSET = 1024;

}  // namespace

void yuvToArgbRowPortable(const YuvRow& row, const YuvToRgbWeights& w, std::size_t from) {
  for (std::size_t x = from; x < row.width; ++x) {
    // Luma wraps at 16 bits where the vector code subtracts without saturation.
    const int luma = mulHigh(static_cast<std::int16_t>(row.y[x] * 8 - w.lumaOffset), w.luma);
    const int u = saturate16(row.u[x / 2] * 8 - CHROMA_OFFSET);
    const int v = saturate16(row.v[x / 2] * 8 - CHROMA_OFFSET);
    const int blue = saturate16(luma + mulHigh(u, w.blueFromU));
    const int red = saturate16(luma + mulHigh(v, w.redFromV));
    const int green = saturate16(luma + saturate16(mulHigh(u, w.greenFromU) + mulHigh(v, w.greenFromV)));
    std::uint8_t* out = row.argb + x * 4;
    out[0] = 255;
    out[1] = clampByte(red);
    out[2] = clampByte(green);
    out[3] = clampByte(blue);
  }
}

#if defined(__x86_64__)

namespace {

// Eight chroma samples, each repeated for the two pixels it covers, as 16 centred 16-bit values.
__attribute__((target("avx2"))) __m256i chromaPairs(const std::uint8_t* samples, __m256i offset) {
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples));
  const __m256i words = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(bytes, bytes));
  return _mm256_subs_epi16(_mm256_slli_epi16(words, 3), offset);
}

// Clamped to 0..255.
__attribute__((target("avx2"))) __m256i toByte(__m256i value) {
  return _mm256_min_epi16(_mm256_max_epi16(value, _mm256_setzero_si256()), _mm256_set1_epi16(255));
}

}  // namespace

__attribute__((target("avx2"))) void yuvToArgbRowAvx2(const YuvRow& row, const YuvToRgbWeights& w) {
  const __m256i luma = _mm256_set1_epi16(w.luma), lumaOffset = _mm256_set1_epi16(w.lumaOffset);
  const __m256i chromaOffset = _mm256_set1_epi16(CHROMA_OFFSET);
  const __m256i blueFromU = _mm256_set1_epi16(w.blueFromU), redFromV = _mm256_set1_epi16(w.redFromV);
  const __m256i greenFromU = _mm256_set1_epi16(w.greenFromU), greenFromV = _mm256_set1_epi16(w.greenFromV);
  const __m256i opaque = _mm256_set1_epi16(0x00FF);  // alpha in the low byte of alpha-red words
  std::size_t x = 0;
  for (; x + 16 <= row.width; x += 16) {
    __m256i y = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.y + x)));
    y = _mm256_mulhi_epi16(_mm256_sub_epi16(_mm256_slli_epi16(y, 3), lumaOffset), luma);
    const __m256i u = chromaPairs(row.u + x / 2, chromaOffset);
    const __m256i v = chromaPairs(row.v + x / 2, chromaOffset);
    const __m256i green = _mm256_adds_epi16(_mm256_mulhi_epi16(u, greenFromU), _mm256_mulhi_epi16(v, greenFromV));
    const __m256i b = toByte(_mm256_adds_epi16(y, _mm256_mulhi_epi16(u, blueFromU)));
    const __m256i r = toByte(_mm256_adds_epi16(y, _mm256_mulhi_epi16(v, redFromV)));
    const __m256i g = toByte(_mm256_adds_epi16(y, green));
    // Words alpha | red << 8 and green | blue << 8, interleaved into pixels. Each 128-bit half
    // interleaves its own eight pixels: the halves are put back in order when stored.
    const __m256i alphaRed = _mm256_or_si256(opaque, _mm256_slli_epi16(r, 8));
    const __m256i greenBlue = _mm256_or_si256(g, _mm256_slli_epi16(b, 8));
    const __m256i low = _mm256_unpacklo_epi16(alphaRed, greenBlue);   // pixels 0-3 and 8-11
    const __m256i high = _mm256_unpackhi_epi16(alphaRed, greenBlue);  // pixels 4-7 and 12-15
    auto* out = reinterpret_cast<__m256i*>(row.argb + x * 4);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(low, high, 0x31));
  }
  // Clean upper halves before the tail and the 128-bit code that follows.
  _mm256_zeroupper();
  yuvToArgbRowPortable(row, w, x);
}

#endif

}  // namespace plenorium::host
