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

#if PLENORIUM_AVX512_PATHS

PLENORIUM_AVX512_CODE_BEGIN

namespace {

// Sixteen chroma samples, each repeated for the two pixels it covers, as 32 centred 16-bit values.
PLENORIUM_AVX512 __m512i chromaPairs512(const std::uint8_t* samples, __m512i offset) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
  const __m256i doubled = _mm256_set_m128i(_mm_unpackhi_epi8(bytes, bytes), _mm_unpacklo_epi8(bytes, bytes));
  return _mm512_subs_epi16(_mm512_slli_epi16(_mm512_cvtepu8_epi16(doubled), 3), offset);
}

PLENORIUM_AVX512 __m512i toByte512(__m512i value) {
  return _mm512_min_epi16(_mm512_max_epi16(value, _mm512_setzero_si512()), _mm512_set1_epi16(255));
}

}  // namespace

PLENORIUM_AVX512 void yuvToArgbRowAvx512(const YuvRow& row, const YuvToRgbWeights& w) {
  const __m512i luma = _mm512_set1_epi16(w.luma), lumaOffset = _mm512_set1_epi16(w.lumaOffset);
  const __m512i chromaOffset = _mm512_set1_epi16(CHROMA_OFFSET);
  const __m512i blueFromU = _mm512_set1_epi16(w.blueFromU), redFromV = _mm512_set1_epi16(w.redFromV);
  const __m512i greenFromU = _mm512_set1_epi16(w.greenFromU), greenFromV = _mm512_set1_epi16(w.greenFromV);
  const __m512i opaque = _mm512_set1_epi16(0x00FF);
  // Each 128-bit quarter of the unpacked words holds four pixels; these put them back in order:
  // quarters 0 and 1 of the low and high halves, then quarters 2 and 3 (in 64-bit elements).
  const __m512i firstOrder = _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11);
  const __m512i secondOrder = _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15);
  std::size_t x = 0;
  for (; x + 32 <= row.width; x += 32) {
    __m512i y = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.y + x)));
    y = _mm512_mulhi_epi16(_mm512_sub_epi16(_mm512_slli_epi16(y, 3), lumaOffset), luma);
    const __m512i u = chromaPairs512(row.u + x / 2, chromaOffset);
    const __m512i v = chromaPairs512(row.v + x / 2, chromaOffset);
    const __m512i green = _mm512_adds_epi16(_mm512_mulhi_epi16(u, greenFromU), _mm512_mulhi_epi16(v, greenFromV));
    const __m512i b = toByte512(_mm512_adds_epi16(y, _mm512_mulhi_epi16(u, blueFromU)));
    const __m512i r = toByte512(_mm512_adds_epi16(y, _mm512_mulhi_epi16(v, redFromV)));
    const __m512i g = toByte512(_mm512_adds_epi16(y, green));
    const __m512i alphaRed = _mm512_or_si512(opaque, _mm512_slli_epi16(r, 8));
    const __m512i greenBlue = _mm512_or_si512(g, _mm512_slli_epi16(b, 8));
    const __m512i low = _mm512_unpacklo_epi16(alphaRed, greenBlue);
    const __m512i high = _mm512_unpackhi_epi16(alphaRed, greenBlue);
    auto* out = reinterpret_cast<__m512i*>(row.argb + x * 4);
    _mm512_storeu_si512(out, _mm512_permutex2var_epi64(low, firstOrder, high));
    _mm512_storeu_si512(out + 1, _mm512_permutex2var_epi64(low, secondOrder, high));
  }
  _mm256_zeroupper();
  yuvToArgbRowPortable(row, w, x);
}

PLENORIUM_AVX512_CODE_END

#endif

#endif

}  // namespace plenorium::host
