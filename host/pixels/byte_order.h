// Decoded 8-bit RGBA rows turned into the worlds' ARGB byte order, in place: in a little-endian
// 32-bit pixel, a rotation by one byte. Written once portably and once for AVX2, which turns
// eight pixels per step; both give the same bytes. Private to host/pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plenorium::host {

using RgbaToArgbRow = void (*)(std::uint8_t* row, std::size_t pixels);

void rgbaToArgbRowPortable(std::uint8_t* row, std::size_t pixels);
#if defined(__x86_64__)
// Only on a processor that has AVX2 (see processorHasAvx2 in row_sums.h).
void rgbaToArgbRowAvx2(std::uint8_t* row, std::size_t pixels);
#endif

// The fastest version this processor runs, chosen on the first call.
RgbaToArgbRow fastestRgbaToArgbRow();

}  // namespace plenorium::host
