#include "yuv_import.h"

#include <algorithm>

#include "yuv_import_rows.h"

#if defined(__x86_64__)
#include "row_sums.h"
#endif

namespace plenorium::host {
namespace {

// A weight in 1/65536 taken to the 16-bit form the multiplies use: times 2^13, then rounded to
// whole 1/65536ths and clamped to 16 bits.
std::int16_t weight16(std::int64_t value) {
  const std::int64_t rounded = (value + (1 << 15)) >> 16;
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(rounded, -0x8000, 0x7FFF));
}

}  // namespace

YuvToRgbWeights yuvToRgbWeights(const std::array<int, 4>& inverseTable, bool fullRange) {
  std::int64_t redFromV = inverseTable[0], blueFromU = inverseTable[1];
  std::int64_t greenFromU = -inverseTable[2], greenFromV = -inverseTable[3];
  std::int64_t luma = 1 << 16, lumaOffset = 0;
  if (fullRange) {
    // Chroma spans 255 steps instead of 224.
    redFromV = redFromV * 224 / 255;
    blueFromU = blueFromU * 224 / 255;
    greenFromU = greenFromU * 224 / 255;
    greenFromV = greenFromV * 224 / 255;
  } else {
    // Luma spans 16..235.
    luma = luma * 255 / 219;
    lumaOffset = 16 << 16;
  }
  YuvToRgbWeights w;
  w.luma = weight16(luma * (1 << 13));
  w.lumaOffset = weight16(lumaOffset * (1 << 3));
  w.blueFromU = weight16(blueFromU * (1 << 13));
  w.redFromV = weight16(redFromV * (1 << 13));
  w.greenFromU = weight16(greenFromU * (1 << 13));
  w.greenFromV = weight16(greenFromV * (1 << 13));
  return w;
}

void importYuv420(const Yuv420Source& src, const YuvToRgbWeights& weights, World& out) {
  const auto width = static_cast<std::size_t>(out.width());
  const bool fast = yuvImportIsFast();
#if PLENORIUM_AVX512_PATHS
  const auto convertRow = processorHasAvx512() ? yuvToArgbRowAvx512 : yuvToArgbRowAvx2;
#elif defined(__x86_64__)
  const auto convertRow = yuvToArgbRowAvx2;
#endif
  for (A_long y = 0; y < out.height(); ++y) {
    const YuvRow row{src.y + static_cast<std::ptrdiff_t>(y) * src.yStride,
                     src.u + static_cast<std::ptrdiff_t>(y / 2) * src.uStride,
                     src.v + static_cast<std::ptrdiff_t>(y / 2) * src.vStride, width, out.row(y)};
#if defined(__x86_64__)
    if (fast) {
      convertRow(row, weights);
      continue;
    }
#endif
    yuvToArgbRowPortable(row, weights, 0);
  }
  out.markAllWritten();
}

bool yuvImportIsFast() {
#if defined(__x86_64__)
  return processorHasAvx2();
#else
  return false;
#endif
}

}  // namespace plenorium::host
