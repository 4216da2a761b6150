#include "separable_resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "column_sums.h"
#include "pixel_types.h"
#include "row_sums.h"

namespace plenorium::host {
namespace {

constexpr int PREFETCH_ROWS = 16;
// Source pixels a resampling must read before a short area is shared among threads by columns.
constexpr double MIN_READS_FOR_COLUMN_BANDS = 1 << 18;

// For each destination index of one axis: the source indices [first, first + count) and their
// weights, in one flat array.
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
      // Enlarging: colour is interpolated between the two nearest pixels, clamped to the edge
      // pixels, and weighed by the share of the destination pixel the source covers, so an edge
      // on a pixel boundary is sharp and any other is antialiased.
      const double a = map.scale * d + map.offset;
      const double b = map.scale * (d + 1) + map.offset;
      const double lo = std::min(a, b), hi = std::max(a, b);
      const double share = reach > 0 ? (std::min(hi, static_cast<double>(sourceSize)) - std::max(lo, 0.0)) / reach
                                     : (lo >= 0 && lo < sourceSize ? 1.0 : 0.0);
      const auto cover = static_cast<float>(std::clamp(share, 0.0, 1.0));
      if (cover > 0.0f) {
        const double c = std::clamp(map.scale * (d + 0.5) + map.offset - 0.5, 0.0, sourceSize - 1.0);
        const double base = std::floor(c);
        const auto f = static_cast<float>(c - base);
        const auto s0 = static_cast<A_long>(base);
        if (f < 1.0f) add(s0, (1.0f - f) * cover);
        if (f > 0.0f && s0 + 1 < sourceSize) add(s0 + 1, f * cover);
      }
    }
    t.ranges.push_back({first < 0 ? 0 : first, static_cast<A_long>(t.weights.size() - start), start});
  }
  if (t.lowest > t.highest) t.lowest = t.highest = 0;
  return t;
}

// Adds `weight` times the premultiplied, normalised colour of `count` source pixels to `column`
// (or stores it, for the first row of a footprint). With channel values v and maximum M, a pixel
// gives (M, r, g, b) · a · weight / M²: its normalised alpha times the weight, and each normalised
// colour times that. 8-bit rows go through the vector versions in row_sums.h instead.
template <PixelDepth D>
void accumulateRow(const typename Channel<D>::Pixel* row, std::size_t count, float weight, bool first, Lanes* column) {
  constexpr float MAX = Channel<D>::MAX;
  const float w = weight / (MAX * MAX);
  for (std::size_t i = 0; i < count; ++i) {
    const Lanes term = weightedPremultiplied<D>(row[i], w);
    column[i] = first ? term : column[i] + term;
  }
}

// The vertical pass over `span` columns from `spanBegin`: the source rows `rows` names, weighted
// and summed into `column`.
template <PixelDepth D>
void sumRows(const World& src, const Taps& ys, const TapRange& rows, A_long spanBegin, std::size_t span,
             std::span<Lanes> column) {
  if (rows.count == 0) {
    std::fill(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(span), Lanes{});
    return;
  }
  if constexpr (D == PixelDepth::U8) {
    // In blocks of a few rows, each block's sums added to the last's in row order.
    constexpr A_long BLOCK = 8;
    const SumRows8 sum = fastestSumRows8();
    for (A_long from = 0; from < rows.count; from += BLOCK) {
      const A_long count = std::min(BLOCK, rows.count - from);
      std::array<const PF_Pixel8*, BLOCK> pointers{};
      for (A_long k = 0; k < count; ++k) pointers[k] = pixelRow<D>(src, rows.first + from + k) + spanBegin;
      sum(WeightedRows{pointers.data(), ys.weights.data() + rows.offset + from, static_cast<int>(count), from > 0},
          span, column.data());
    }
  } else {
    for (A_long k = 0; k < rows.count; ++k) {
      accumulateRow<D>(pixelRow<D>(src, rows.first + k) + spanBegin, span,
                       ys.weights[rows.offset + static_cast<std::size_t>(k)], k == 0, column.data());
    }
  }
}

// Destination columns [begin, end) of the area and the source columns [spanBegin, spanEnd) they read.
struct Columns {
  std::size_t begin = 0, end = 0;
  A_long spanBegin = 0, spanEnd = 0;
  std::size_t span() const { return static_cast<std::size_t>(spanEnd - spanBegin); }
};

Columns columnsOf(const Taps& xs, std::size_t begin, std::size_t end) {
  Columns c{begin, end, xs.highest, xs.lowest};
  for (std::size_t x = begin; x < end; ++x) {
    const TapRange& r = xs.ranges[x];
    if (r.count == 0) continue;
    c.spanBegin = std::min(c.spanBegin, r.first);
    c.spanEnd = std::max(c.spanEnd, r.first + r.count);
  }
  if (c.spanEnd < c.spanBegin) c.spanBegin = c.spanEnd = xs.lowest;
  return c;
}

// Row y, columns `cols` of the destination area into `out` (from cols.begin, premultiplied).
// `column` holds at least cols.span() values. Each pixel's sums do not depend on the columns
// chosen, so any split of a row gives the same pixels.
template <PixelDepth D>
void resampleRow(const World& src, const Taps& xs, const Taps& ys, const PF_LRect& area, int y, const Columns& cols,
                 std::span<Lanes> column, Color4* out) {
  const A_long spanBegin = cols.spanBegin;
  const std::size_t span = cols.span();
  // Vertical pass: weighted premultiplied rows of the source, over the columns any pixel reads.
  sumRows<D>(src, ys, ys.ranges[static_cast<std::size_t>(y - area.top)], spanBegin, span, column);
  // Horizontal pass.
  static const SumColumns sumColumns = fastestSumColumns();
  sumColumns(column.data(), spanBegin, xs.ranges.data() + cols.begin, xs.weights.data(), cols.end - cols.begin, out);
}

// Calls band(rowFrom, rowTo, columns) over pieces that cover the area, in parallel: bands of rows,
// or, when there are too few rows to share among the threads but much reading in each (a whole
// picture into a short screen), bands of columns.
template <typename Band>
void forEachBand(ThreadPool& pool, const Taps& xs, const Taps& ys, const PF_LRect& area, const Band& band) {
  const int rows = area.bottom - area.top;
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  const double reads = static_cast<double>(ys.weights.size()) * static_cast<double>(xs.highest - xs.lowest);
  const int threads = static_cast<int>(pool.threads());
  if (threads > 1 && rows < 2 * ThreadPool::minRowsFor(static_cast<long>(width)) * threads &&
      reads >= MIN_READS_FOR_COLUMN_BANDS && width >= 2 * static_cast<std::size_t>(threads)) {
    const std::size_t bands = std::min<std::size_t>(static_cast<std::size_t>(4 * threads), width / 2);
    pool.parallelRows(0, static_cast<int>(bands), 1, [&](int first, int last) {
      for (int b = first; b < last; ++b) {
        const std::size_t begin = width * static_cast<std::size_t>(b) / bands;
        const std::size_t end = width * static_cast<std::size_t>(b + 1) / bands;
        band(area.top, area.bottom, columnsOf(xs, begin, end));
      }
    });
    return;
  }
  const Columns all{0, width, xs.lowest, xs.highest};
  pool.parallelRows(area.top, area.bottom, ThreadPool::minRowsFor(static_cast<long>(width)),
                    [&](int from, int to) { band(from, to, all); });
}

// The whole area into `out` (area-sized).
void resampleArea(const World& src, const Taps& xs, const Taps& ys, const PF_LRect& area, ThreadPool& pool,
                  std::vector<Color4>& out) {
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  forEachBand(pool, xs, ys, area, [&](int from, int to, const Columns& cols) {
    std::vector<Lanes> column(cols.span());
    dispatchDepth(src.depth(), [&]<PixelDepth D>() {
      for (int y = from; y < to; ++y) {
        resampleRow<D>(src, xs, ys, area, y, cols, column,
                       &out[static_cast<std::size_t>(y - area.top) * width + cols.begin]);
      }
    });
  });
}

// Asks for `count` pixels of row `row` of `dst` from `left`, to be written soon.
void prefetchRow(const World& dst, int row, A_long left, std::size_t count) {
  const std::size_t pixelBytes = bytesPerPixel(dst.depth());
  const std::uint8_t* p = dst.row(row) + static_cast<std::ptrdiff_t>(left) * static_cast<std::ptrdiff_t>(pixelBytes);
  const std::size_t bytes = count * pixelBytes;
  if (bytes == 0) return;
  for (std::size_t b = 0; b < bytes; b += 64) __builtin_prefetch(p + b, 1);
  __builtin_prefetch(p + bytes - 1, 1);
}

bool same(const AxisMap& a, const AxisMap& b) {
  return a.scale == b.scale && a.offset == b.offset;
}

// Composites area-sized premultiplied rows onto `dst`.
void compositeRows(const std::vector<Color4>& rows, World& dst, const PF_LRect& area, const CompositeSpec& spec,
                   ThreadPool& pool) {
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  pool.parallelRows(area.top, area.bottom, ThreadPool::minRowsFor(static_cast<long>(width)), [&](int from, int to) {
    std::vector<float> scratch(width);
    for (int row = from; row < to; ++row) {
      const std::span<const Color4> line(&rows[static_cast<std::size_t>(row - area.top) * width], width);
      compositePremultipliedRow(dst, row, area.left, line, spec, scratch);
    }
  });
}

}  // namespace

bool ResampleCache::Drawing::operator==(const Drawing& o) const {
  return serial == o.serial && same(x, o.x) && same(y, o.y) && area.left == o.area.left && area.top == o.area.top &&
         area.right == o.area.right && area.bottom == o.area.bottom;
}

std::size_t ResampleCache::DrawingHash::operator()(const Drawing& d) const {
  std::size_t h = std::hash<std::uint64_t>{}(d.serial);
  auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
  for (double v : {d.x.scale, d.x.offset, d.y.scale, d.y.offset}) mix(std::hash<double>{}(v));
  for (A_long v : {d.area.left, d.area.top, d.area.right, d.area.bottom}) mix(std::hash<A_long>{}(v));
  return h;
}

// A note of a drawing holds no rows but is counted as a little memory, so that notes too give way.
constexpr std::size_t NOTE_BYTES = 64;

ResampleCache::ResampleCache(MemoryBudget& budget)
    : entries_(budget, [](const Entry& e) { return std::max(e.rows.size() * sizeof(Color4), NOTE_BYTES); }) {}

const ResampleCache::Entry* ResampleCache::find(const World& src, AxisMap x, AxisMap y, const PF_LRect& area) {
  if (src.serial() == 0) return nullptr;
  const Entry* e = entries_.find(Drawing{src.serial(), x, y, area});
  return e != nullptr && e->generation == src.generation() && !e->rows.empty() ? e : nullptr;
}

bool ResampleCache::drawnBefore(const World& src, AxisMap x, AxisMap y, const PF_LRect& area) {
  if (src.serial() == 0) return false;
  const Drawing key{src.serial(), x, y, area};
  const Entry* e = entries_.find(key);
  if (e != nullptr && e->generation == src.generation()) return true;
  entries_.put(key, Entry{src.generation(), {}});
  return false;
}

void ResampleCache::add(const World& src, AxisMap x, AxisMap y, const PF_LRect& area, Entry entry) {
  if (src.serial() == 0) return;
  entries_.put(Drawing{src.serial(), x, y, area}, std::move(entry));
}

void boxReduce(const World& src, A_long width, A_long height, std::vector<Color4>& out, ThreadPool& pool) {
  const AxisMap x{static_cast<double>(src.width()) / width, 0};
  const AxisMap y{static_cast<double>(src.height()) / height, 0};
  const Taps xs = buildTaps(x, 0, width, src.width());
  const Taps ys = buildTaps(y, 0, height, src.height());
  resampleArea(src, xs, ys, PF_LRect{0, 0, width, height}, pool, out);
}

void separableResample(const World& src, World& dst, AxisMap x, AxisMap y, const PF_LRect& area,
                       const CompositeSpec& spec, ThreadPool& pool, ResampleCache& cache) {
  const std::size_t width = static_cast<std::size_t>(area.right - area.left);
  // Worth remembering when the result is much smaller than the many source pixels it is computed
  // from (a screen of a few pixels from a whole picture counts too).
  const double areaPixels = static_cast<double>(width) * static_cast<double>(area.bottom - area.top);
  const double shrink = std::fabs(x.scale * y.scale);
  const bool remember = shrink >= 4.0 && areaPixels * shrink >= 65536.0;
  // The first destination rows are asked for now, while the taps are worked out: a small
  // placement touches each destination line once, and would otherwise wait for it on every row.
  for (int row = area.top; row < std::min(area.bottom, area.top + PREFETCH_ROWS); ++row) {
    prefetchRow(dst, row, area.left, width);
  }
  const ResampleCache::Entry* hit = remember ? cache.find(src, x, y, area) : nullptr;
  if (hit != nullptr) {
    compositeRows(hit->rows, dst, area, spec, pool);
    return;
  }
  const Taps xs = buildTaps(x, area.left, area.right, src.width());
  const Taps ys = buildTaps(y, area.top, area.bottom, src.height());
  if (xs.highest <= xs.lowest || ys.highest <= ys.lowest) return;
  if (remember && cache.drawnBefore(src, x, y, area)) {
    ResampleCache::Entry fresh{src.generation(), {}};
    fresh.rows.resize(width * static_cast<std::size_t>(area.bottom - area.top));
    resampleArea(src, xs, ys, area, pool, fresh.rows);
    compositeRows(fresh.rows, dst, area, spec, pool);
    cache.add(src, x, y, area, std::move(fresh));
    return;
  }
  // Each row is composited as soon as it is resampled, while it is still in the cache; later
  // destination rows are asked for a few rows ahead.
  forEachBand(pool, xs, ys, area, [&](int from, int to, const Columns& cols) {
    const std::size_t count = cols.end - cols.begin;
    const A_long left = area.left + static_cast<A_long>(cols.begin);
    std::vector<Lanes> column(cols.span());
    std::vector<Color4> line(count);
    std::vector<float> scratch(count);
    if (from >= area.top + PREFETCH_ROWS) {
      for (int row = from; row < std::min(to, from + PREFETCH_ROWS); ++row) prefetchRow(dst, row, left, count);
    }
    dispatchDepth(src.depth(), [&]<PixelDepth D>() {
      for (int row = from; row < to; ++row) {
        if (row + PREFETCH_ROWS < to) prefetchRow(dst, row + PREFETCH_ROWS, left, count);
        resampleRow<D>(src, xs, ys, area, row, cols, column, line.data());
        compositePremultipliedRow(dst, row, left, line, spec, scratch);
      }
    });
  });
}

}  // namespace plenorium::host
