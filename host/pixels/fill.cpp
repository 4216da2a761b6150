#include <algorithm>
#include <cstring>

#include "pixel_engine.h"

namespace plenorium::host {
namespace {

template <PixelDepth D>
void fillRows(World& dst, const PF_LRect& r, const Color4& color, ThreadPool& pool) {
  typename Channel<D>::Pixel value{};
  storeStraight<D>(value, color);
  // One row of a band is filled pixel by pixel and copied to the others, which the library writes
  // in whole vector registers; transparent black is all zero bytes and needs no first row.
  const bool zero = std::all_of(reinterpret_cast<const unsigned char*>(&value),
                                reinterpret_cast<const unsigned char*>(&value) + sizeof value,
                                [](unsigned char b) { return b == 0; });
  const std::size_t bytes = static_cast<std::size_t>(r.right - r.left) * sizeof value;
  pool.parallelRows(r.top, r.bottom, ThreadPool::minRowsFor(r.right - r.left), [&](int from, int to) {
    auto* first = pixelRow<D>(dst, from) + r.left;
    if (!zero) std::fill(first, first + (r.right - r.left), value);
    for (int y = zero ? from : from + 1; y < to; ++y) {
      auto* row = pixelRow<D>(dst, y) + r.left;
      if (zero) {
        std::memset(row, 0, bytes);
      } else {
        std::memcpy(row, first, bytes);
      }
    }
  });
}

}  // namespace

void PixelEngine::fill(World& dst, const Color4& color, const PF_LRect* rect) {
  const PF_LRect whole{0, 0, dst.width(), dst.height()};
  const PF_LRect target = rect != nullptr ? intersect(*rect, whole) : whole;
  const bool clearing = color.a == 0.0f && color.r == 0.0f && color.g == 0.0f && color.b == 0.0f;
  const bool coversAll = !isEmpty(target) && target.left == 0 && target.top == 0 && target.right == dst.width() &&
                         target.bottom == dst.height();
  // Transparent black only needs to go where something may have been drawn.
  const PF_LRect work = clearing ? intersect(target, dst.touched()) : target;
  if (!isEmpty(work)) dispatchDepth(dst.depth(), [&]<PixelDepth D>() { fillRows<D>(dst, work, color, pool_); });
  if (clearing) {
    if (rect == nullptr || coversAll) {
      dst.markClear();
    } else if (!isEmpty(work)) {
      dst.markWritten(work);  // the touched rectangle cannot shrink by a partial clear
    }
  } else {
    dst.markWritten(target);
  }
  // The stored colour, read back, is what every pixel now holds.
  if (!clearing && coversAll) {
    dispatchDepth(dst.depth(), [&]<PixelDepth D>() {
      const Color4 c = loadStraight<D>(pixelRow<D>(dst, 0)[0]);
      dst.markUniform({c.a, c.r, c.g, c.b});
    });
  }
}

}  // namespace plenorium::host
