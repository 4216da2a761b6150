#include "byte_order.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>

#include "row_sums.h"
#endif

namespace plenorium::host {

static_assert(std::endian::native == std::endian::little);

void rgbaToArgbRowPortable(std::uint8_t* row, std::size_t pixels) {
  // Byte by byte, R G B A becomes A R G B: in a little-endian word, a rotation by one byte.
  for (std::size_t x = 0; x < pixels; ++x) {
    std::uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    v = (v << 8) | (v >> 24);
    std::memcpy(row + x * 4, &v, 4);
  }
}

#if defined(__x86_64__)

__attribute__((target("avx2"))) void rgbaToArgbRowAvx2(std::uint8_t* row, std::size_t pixels) {
  std::size_t x = 0;
  for (; x + 8 <= pixels; x += 8) {
    auto* p = reinterpret_cast<__m256i*>(row + x * 4);
    const __m256i v = _mm256_loadu_si256(p);
    _mm256_storeu_si256(p, _mm256_or_si256(_mm256_slli_epi32(v, 8), _mm256_srli_epi32(v, 24)));
  }
  // Clean upper halves before the tail and the 128-bit code that follows.
  _mm256_zeroupper();
  rgbaToArgbRowPortable(row + x * 4, pixels - x);
}

RgbaToArgbRow fastestRgbaToArgbRow() {
  static const RgbaToArgbRow fastest = processorHasAvx2() ? rgbaToArgbRowAvx2 : rgbaToArgbRowPortable;
  return fastest;
}

#else

RgbaToArgbRow fastestRgbaToArgbRow() {
  return rgbaToArgbRowPortable;
}

#endif

}  // namespace plenorium::host
