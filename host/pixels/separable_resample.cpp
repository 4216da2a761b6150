#include "separable_resample.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cmath>
#include <vector>

#include "pixel_types.h"

namespace plenorium::host {
namespace {

constexpr int MIN_ROWS_PER_TASK = 8;
constexpr int PREFETCH_ROWS = 16;

// For each destination index of one axis: the source indices [first, first + count) and their
// weights, in one flat array.
struct TapRange {
  A_long first = 0;
  A_long count = 0;
  std::size_t offset = 0;  // of the first weight
};
struct Taps {
  std::vector<TapRange> ranges;
  std::vector<float> weights;
  A_long lowest = 0;   // smallest source index any destination pixel reads
  A_long highest = 0;  // one past the largest
};

Taps buildTaps(AxisMap map, A_long destBegin, A_long destEnd, A_long sourceSize) {
  Taps t;
  const double reach = std::fabs(map.scale);
  const auto count = static_cast<std::size_t>(std::max<A_long>(destEnd - destBegin, 0));
  t.ranges.reserve(count);
  t.weights.reserve(count * (reach > 1.0 ? static_cast<std::size_t>(std::ceil(reach)) + 1 : 2));
  t.lowest = sourceSize;
  t.highest = 0;
  for (A_long d = destBegin; d < destEnd; ++d) {
    const std::size_t start = t.weights.size();
    A_long first = -1;
    auto add = [&](A_long s, float w) {
      if (first < 0) first = s;
      t.weights.push_back(w);
      t.lowest = std::min(t.lowest, s);
      t.highest = std::max(t.highest, s + 1);
    };
    if (reach > 1.0) {
      // The destination pixel covers the source interval [lo, hi): average it.
      const double a = map.scale * d + map.offset;
      const double b = map.scale * (d + 1) + map.offset;
      const double lo = std::min(a, b), hi = std::max(a, b);
      const auto from = static_cast<A_long>(std::max(std::floor(lo), 0.0));
      const auto to = static_cast<A_long>(std::min(std::ceil(hi), static_cast<double>(sourceSize)));
      for (A_long s = from; s < to; ++s) {
        const double cover = std::min(hi, s + 1.0) - std::max(lo, static_cast<double>(s));
        if (cover > 0) add(s, static_cast<float>(cover / reach));
      }
    } else {
      const double c = map.scale * (d + 0.5) + map.offset - 0.5;
      const double base = std::floor(c);
      const auto f = static_cast<float>(c - base);
      const auto s0 = static_cast<A_long>(base);
      if (s0 >= 0 && s0 < sourceSize && f < 1.0f) add(s0, 1.0f - f);
      if (s0 + 1 >= 0 && s0 + 1 < sourceSize && f > 0.0f) add(s0 + 1, f);
    }
    t.ranges.push_back({first < 0 ? 0 : first, static_cast<A_long>(t.weights.size() - start), start});
  }
  if (t.lowest > t.highest) t.lowest = t.highest = 0;
  return t;
}

constexpr std::size_t CACHE_BYTES = std::size_t{256} << 20;

// Adds `weight` times the premultiplied, normalised colour of `count` source pixels to `column`
// (or stores it, for the first row of a footprint). With channel values v and maximum M, a pixel
// gives (M, r, g, b) · a · weight / M²: its normalised alpha times the weight, and each normalised
// colour times that.
template <PixelDepth D>
void accumulateRow(const typename Channel<D>::Pixel* row, std::size_t count, float weight, bool first, Lanes* column) {
  constexpr float MAX = Channel<D>::MAX;
  const float w = weight / (MAX * MAX);
  std::size_t i = 0;
#if defined(__SSE2__)
  if constexpr (D == PixelDepth::U8) {
    // Four 8-bit pixels per step: widened to 32-bit lanes, converted, alpha broadcast.
    const __m128i zero = _mm_setzero_si128();
    const __m128 keepColour = _mm_castsi128_ps(_mm_set_epi32(-1, -1, -1, 0));
    const __m128 alphaLane = _mm_set_ps(0, 0, 0, MAX);
    const __m128 wv = _mm_set1_ps(w);
    auto add = [&](__m128i widened, std::size_t at) {
      const __m128 v = _mm_cvtepi32_ps(widened);
      const __m128 aw = _mm_mul_ps(_mm_shuffle_ps(v, v, 0), wv);
      const __m128 term = _mm_mul_ps(_mm_or_ps(_mm_and_ps(v, keepColour), alphaLane), aw);
      __m128* acc = reinterpret_cast<__m128*>(column + at);
      *acc = first ? term : _mm_add_ps(*acc, term);
    };
    for (; i + 4 <= count; i += 4) {
      const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
      const __m128i low = _mm_unpacklo_epi8(four, zero);
      const __m128i high = _mm_unpackhi_epi8(four, zero);
      add(_mm_unpacklo_epi16(low, zero), i);
      add(_mm_unpackhi_epi16(low, zero), i + 1);
      add(_mm_unpacklo_epi16(high, zero), i + 2);
      add(_mm_unpackhi_epi16(high, zero), i + 3);
    }
  }
#endif
  for (; i < count; ++i) {
    const auto& p = row[i];
    const Lanes term = Lanes{MAX, static_cast<float>(p.red), static_cast<float>(p.green), static_cast<float>(p.blue)} *
                       (static_cast<float>(p.alpha) * w);
    column[i] = first ? term : column[i] + term;
  }
}

// Row y of the destination area into `out` (area-wide, premultiplied). `column` holds the span of
// source columns any pixel reads.
template <PixelDepth D>
void resampleRow(const World& src, const Taps& xs, const Taps& ys, const PF_LRect& area, int y, std::span<Lanes> column,
                 Color4* out) {
  const A_long spanBegin = xs.lowest;
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  // Vertical pass: weighted premultiplied rows of the source, over the columns any pixel reads.
  const TapRange& rows = ys.ranges[static_cast<std::size_t>(y - area.top)];
  if (rows.count == 0) std::fill(column.begin(), column.end(), Lanes{});
  for (A_long k = 0; k < rows.count; ++k) {
    accumulateRow<D>(pixelRow<D>(src, rows.first + k) + spanBegin, column.size(),
                     ys.weights[rows.offset + static_cast<std::size_t>(k)], k == 0, column.data());
  }
  // Horizontal pass. Two taps (interpolation) and one are the common cases; each gives the same
  // sum as the general loop.
  for (std::size_t x = 0; x < width; ++x) {
    const TapRange& columns = xs.ranges[x];
    const float* w = &xs.weights[columns.offset];
    const Lanes* c = &column[static_cast<std::size_t>(columns.first - spanBegin)];
    Lanes sum;
    switch (columns.count) {
      case 0: sum = Lanes{}; break;
      case 1: sum = c[0] * w[0]; break;
      case 2: sum = c[0] * w[0] + c[1] * w[1]; break;
      default:
        sum = c[0] * w[0];
        for (A_long k = 1; k < columns.count; ++k) sum += c[k] * w[k];
    }
    out[x] = colorOf(sum);
  }
}

// Rows [from, to) of `out` (area-sized).
void resampleRows(const World& src, const Taps& xs, const Taps& ys, const PF_LRect& area, int from, int to,
                  std::vector<Color4>& out) {
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  std::vector<Lanes> column(static_cast<std::size_t>(xs.highest - xs.lowest));
  dispatchDepth(src.depth(), [&]<PixelDepth D>() {
    for (int y = from; y < to; ++y) {
      resampleRow<D>(src, xs, ys, area, y, column, &out[static_cast<std::size_t>(y - area.top) * width]);
    }
  });
}

bool same(const AxisMap& a, const AxisMap& b) { return a.scale == b.scale && a.offset == b.offset; }

// Composites area-sized premultiplied rows onto `dst`.
void compositeRows(const std::vector<Color4>& rows, World& dst, const PF_LRect& area, const CompositeSpec& spec,
                   ThreadPool& pool) {
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  pool.parallelRows(area.top, area.bottom, MIN_ROWS_PER_TASK, [&](int from, int to) {
    std::vector<float> scratch(width);
    for (int row = from; row < to; ++row) {
      const std::span<const Color4> line(&rows[static_cast<std::size_t>(row - area.top) * width], width);
      compositePremultipliedRow(dst, row, area.left, line, spec, scratch);
    }
  });
}

}  // namespace

namespace {
bool sameDrawing(const ResampleCache::Entry& e, const World& src, AxisMap x, AxisMap y, const PF_LRect& area) {
  return e.serial == src.serial() && same(e.x, x) && same(e.y, y) && e.area.left == area.left &&
         e.area.top == area.top && e.area.right == area.right && e.area.bottom == area.bottom;
}
}  // namespace

const ResampleCache::Entry* ResampleCache::find(const World& src, AxisMap x, AxisMap y, const PF_LRect& area) {
  if (src.serial() == 0) return nullptr;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->generation == src.generation() && sameDrawing(*it, src, x, y, area)) {
      entries_.splice(entries_.begin(), entries_, it);
      return &entries_.front();
    }
  }
  return nullptr;
}

std::vector<Color4> ResampleCache::reclaim(const World& src, AxisMap x, AxisMap y, const PF_LRect& area) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->generation != src.generation() && sameDrawing(*it, src, x, y, area)) {
      std::vector<Color4> rows = std::move(it->rows);
      bytes_ -= rows.size() * sizeof(Color4);
      entries_.erase(it);
      return rows;
    }
  }
  return {};
}

void ResampleCache::add(Entry entry) {
  if (entry.serial == 0) return;
  bytes_ += entry.rows.size() * sizeof(Color4);
  entries_.push_front(std::move(entry));
  while (bytes_ > CACHE_BYTES && entries_.size() > 1) {
    bytes_ -= entries_.back().rows.size() * sizeof(Color4);
    entries_.pop_back();
  }
}

void boxReduce(const World& src, A_long width, A_long height, std::vector<Color4>& out, ThreadPool& pool) {
  const AxisMap x{static_cast<double>(src.width()) / width, 0};
  const AxisMap y{static_cast<double>(src.height()) / height, 0};
  const Taps xs = buildTaps(x, 0, width, src.width());
  const Taps ys = buildTaps(y, 0, height, src.height());
  const PF_LRect area{0, 0, width, height};
  pool.parallelRows(0, height, MIN_ROWS_PER_TASK, [&](int from, int to) { resampleRows(src, xs, ys, area, from, to, out); });
}

void separableResample(const World& src, World& dst, AxisMap x, AxisMap y, const PF_LRect& area,
                       const CompositeSpec& spec, ThreadPool& pool, ResampleCache& cache) {
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  // Worth remembering when the result is much smaller than the many source pixels it is computed
  // from (a screen of a few pixels from a whole picture counts too).
  const double areaPixels = static_cast<double>(width) * static_cast<double>(area.bottom - area.top);
  const double shrink = std::fabs(x.scale * y.scale);
  const bool remember = shrink >= 4.0 && areaPixels * shrink >= 65536.0;
  const ResampleCache::Entry* hit = remember ? cache.find(src, x, y, area) : nullptr;
  if (hit != nullptr) {
    compositeRows(hit->rows, dst, area, spec, pool);
    return;
  }
  const Taps xs = buildTaps(x, area.left, area.right, src.width());
  const Taps ys = buildTaps(y, area.top, area.bottom, src.height());
  if (xs.highest <= xs.lowest || ys.highest <= ys.lowest) return;
  if (remember) {
    // Every row is written below: reclaimed storage needs no clearing.
    ResampleCache::Entry fresh{src.serial(), src.generation(), x, y, area, cache.reclaim(src, x, y, area)};
    fresh.rows.resize(width * static_cast<std::size_t>(area.bottom - area.top));
    pool.parallelRows(area.top, area.bottom, MIN_ROWS_PER_TASK,
                      [&](int from, int to) { resampleRows(src, xs, ys, area, from, to, fresh.rows); });
    compositeRows(fresh.rows, dst, area, spec, pool);
    cache.add(std::move(fresh));
    return;
  }
  // Each row is composited as soon as it is resampled, while it is still in the cache. The
  // destination rows are asked for a few rows ahead: a small placement touches each destination
  // line once, and would otherwise wait for it on every row.
  const std::size_t destBytes = width * bytesPerPixel(dst.depth());
  auto prefetchRow = [&](int row) {
    if (row >= area.bottom) return;
    const std::uint8_t* p = dst.row(row) + static_cast<std::ptrdiff_t>(area.left) * static_cast<std::ptrdiff_t>(bytesPerPixel(dst.depth()));
    for (std::size_t b = 0; b < destBytes; b += 64) __builtin_prefetch(p + b, 1);
    __builtin_prefetch(p + destBytes - 1, 1);
  };
  pool.parallelRows(area.top, area.bottom, MIN_ROWS_PER_TASK, [&](int from, int to) {
    std::vector<Lanes> column(static_cast<std::size_t>(xs.highest - xs.lowest));
    std::vector<Color4> line(width);
    std::vector<float> scratch(width);
    for (int row = from; row < std::min(to, from + PREFETCH_ROWS); ++row) prefetchRow(row);
    dispatchDepth(src.depth(), [&]<PixelDepth D>() {
      for (int row = from; row < to; ++row) {
        if (row + PREFETCH_ROWS < to) prefetchRow(row + PREFETCH_ROWS);
        resampleRow<D>(src, xs, ys, area, row, column, line.data());
        compositePremultipliedRow(dst, row, area.left, line, spec, scratch);
      }
    });
  });
}

}  // namespace plenorium::host
