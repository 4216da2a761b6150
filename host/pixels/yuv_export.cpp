#include "yuv_export.h"

#include <algorithm>
#include <vector>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "pixel_transfer.h"
#include "yuv_rows.h"

namespace plenorium::host {
namespace {

// Whether every pixel of an 8-bit ARGB row is opaque: then compositing over black changes
// nothing and the row converts as it stands.
bool opaqueRow(const std::uint8_t* argb, std::size_t width) {
  std::size_t x = 0;
#if defined(__x86_64__)
  const __m128i alpha = _mm_set1_epi32(0xFF);
  for (; x + 4 <= width; x += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(argb + x * 4));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(four, alpha), alpha)) != 0xFFFF) return false;
  }
#endif
  for (; x < width; ++x) {
    if (argb[x * 4] != 0xFF) return false;
  }
  return true;
}

}  // namespace

void exportYuv420(const World& src, const Yuv420Planes& dst, YuvMatrix matrix) {
  const auto width = static_cast<std::size_t>(std::min(dst.width, static_cast<int>(src.width())));
  const A_long height = std::min<A_long>(dst.height, src.height());
  const YuvWeights argbWeights = yuvWeights(matrix, ARGB_BYTES);
  const YuvWeights rgbaWeights = yuvWeights(matrix, RGBA_BYTES);
  // Rows that are not opaque 8-bit pixels are composited over black into 8-bit RGBA first.
  std::vector<std::uint8_t> composited;
  for (A_long y = 0; y < height; y += 2) {
    const A_long rows = y + 1 < height ? 2 : 1;
    const std::uint8_t* top = src.row(y);
    const std::uint8_t* bottom = src.row(y + rows - 1);
    const YuvWeights* weights = &argbWeights;
    if (src.depth() != PixelDepth::U8 || !opaqueRow(top, width) || !opaqueRow(bottom, width)) {
      const std::size_t rowBytes = static_cast<std::size_t>(src.width()) * 4;
      composited.resize(rowBytes * 2);
      exportPixelRows(src, y, rows, composited.data(), rowBytes, SampleType::U8, true);
      top = composited.data();
      bottom = composited.data() + static_cast<std::size_t>(rows - 1) * rowBytes;
      weights = &rgbaWeights;
    }
    const std::size_t chromaRow = static_cast<std::size_t>(y / 2);
    yuvRowPair(YuvRowPair{top, bottom, width, dst.y + static_cast<std::size_t>(y) * dst.yStride,
                          rows == 2 ? dst.y + static_cast<std::size_t>(y + 1) * dst.yStride : nullptr,
                          dst.u + chromaRow * dst.uStride, dst.v + chromaRow * dst.vStride},
               *weights);
  }
}

}  // namespace plenorium::host
