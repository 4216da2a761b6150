#include "mip_chain.h"

namespace plenorium::host {
namespace {

constexpr int MIN_ROWS_PER_TASK = 16;

MipLevel halve(A_long width, A_long height) {
  MipLevel level;
  level.width = (width + 1) / 2;
  level.height = (height + 1) / 2;
  level.texels.resize(static_cast<std::size_t>(level.width) * level.height);
  return level;
}

template <PixelDepth D>
void reduceWorld(const World& world, MipLevel& out, ThreadPool& pool) {
  const A_long w = world.width();
  const A_long h = world.height();
  pool.parallelRows(0, out.height, MIN_ROWS_PER_TASK, [&](int from, int to) {
    for (int y = from; y < to; ++y) {
      const A_long y0 = 2 * y;
      const A_long y1 = y0 + 1;
      const auto* row0 = pixelRow<D>(world, y0);
      const auto* row1 = y1 < h ? pixelRow<D>(world, y1) : nullptr;
      Color4* dst = &out.texels[static_cast<std::size_t>(y) * out.width];
      for (A_long x = 0; x < out.width; ++x) {
        const A_long x0 = 2 * x;
        const bool hasRight = x0 + 1 < w;
        Color4 sum = premultiply(loadStraight<D>(row0[x0]));
        if (hasRight) sum = sum + premultiply(loadStraight<D>(row0[x0 + 1]));
        if (row1 != nullptr) {
          sum = sum + premultiply(loadStraight<D>(row1[x0]));
          if (hasRight) sum = sum + premultiply(loadStraight<D>(row1[x0 + 1]));
        }
        dst[x] = sum * 0.25f;
      }
    }
  });
}

void reduceLevel(const MipLevel& in, MipLevel& out, ThreadPool& pool) {
  pool.parallelRows(0, out.height, MIN_ROWS_PER_TASK, [&](int from, int to) {
    for (int y = from; y < to; ++y) {
      const A_long y0 = 2 * y;
      const bool hasBelow = y0 + 1 < in.height;
      Color4* dst = &out.texels[static_cast<std::size_t>(y) * out.width];
      for (A_long x = 0; x < out.width; ++x) {
        const A_long x0 = 2 * x;
        const bool hasRight = x0 + 1 < in.width;
        Color4 sum = in.at(x0, y0);
        if (hasRight) sum = sum + in.at(x0 + 1, y0);
        if (hasBelow) {
          sum = sum + in.at(x0, y0 + 1);
          if (hasRight) sum = sum + in.at(x0 + 1, y0 + 1);
        }
        dst[x] = sum * 0.25f;
      }
    }
  });
}

}  // namespace

MipChain::MipChain(const World& world, ThreadPool& pool) {
  A_long w = world.width();
  A_long h = world.height();
  if (w <= 1 && h <= 1) return;
  levels_.push_back(halve(w, h));
  dispatchDepth(world.depth(), [&]<PixelDepth D>() { reduceWorld<D>(world, levels_.back(), pool); });
  while (levels_.back().width > 1 || levels_.back().height > 1) {
    const MipLevel& last = levels_.back();
    MipLevel next = halve(last.width, last.height);
    reduceLevel(last, next, pool);
    levels_.push_back(std::move(next));
  }
}

}  // namespace plenorium::host
