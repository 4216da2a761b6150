// The world transform. Coordinate spaces: destination pixels (x, y) with pixel centres at
// x + 0.5; source pixels (u, v), pixel i covering [i, i + 1); texels of a reduced copy of the
// source, w × h texels over the same area, texel j covering source [j·W/w, (j + 1)·W/w). Every
// destination pixel centre is mapped into source space by the inverse matrix, which is affine, so
// each row starts once and then steps by the matrix's first row.
#include <cmath>
#include <cstdint>
#include <vector>

#include "composite.h"
#include "pixel_engine.h"
#include "reduced_copies.h"
#include "separable_resample.h"

namespace plenorium::host {
namespace {

constexpr int TILE_COLUMNS = 64;
constexpr int TILE_ROWS = 32;
constexpr std::int64_t SAMPLES_AHEAD = 8;
// One in the 32.32 fixed point that sample positions step in along a row (not the host's 16.16).
constexpr double POSITION_ONE = 4294967296.0;  // 2^32
constexpr double EXACT = 1e-9;

// u = a·x + c·y + e, v = b·x + d·y + f (row vectors: the matrix's first column gives u).
struct Affine {
  double a, b, c, d, e, f;
};

bool invert(const PF_FloatMatrix& m, PF_FloatMatrix& out) {
  const auto& k = m.mat;
  const double det = k[0][0] * (k[1][1] * k[2][2] - k[1][2] * k[2][1]) -
                     k[0][1] * (k[1][0] * k[2][2] - k[1][2] * k[2][0]) +
                     k[0][2] * (k[1][0] * k[2][1] - k[1][1] * k[2][0]);
  if (!std::isfinite(det) || std::fabs(det) < 1e-300) return false;
  const double inv = 1.0 / det;
  auto& o = out.mat;
  o[0][0] = (k[1][1] * k[2][2] - k[1][2] * k[2][1]) * inv;
  o[0][1] = (k[0][2] * k[2][1] - k[0][1] * k[2][2]) * inv;
  o[0][2] = (k[0][1] * k[1][2] - k[0][2] * k[1][1]) * inv;
  o[1][0] = (k[1][2] * k[2][0] - k[1][0] * k[2][2]) * inv;
  o[1][1] = (k[0][0] * k[2][2] - k[0][2] * k[2][0]) * inv;
  o[1][2] = (k[0][2] * k[1][0] - k[0][0] * k[1][2]) * inv;
  o[2][0] = (k[1][0] * k[2][1] - k[1][1] * k[2][0]) * inv;
  o[2][1] = (k[0][1] * k[2][0] - k[0][0] * k[2][1]) * inv;
  o[2][2] = (k[0][0] * k[1][1] - k[0][1] * k[1][0]) * inv;
  return true;
}

// Normalises the homogeneous column so that the affine part can be read off.
bool toAffine(const PF_FloatMatrix& m, Affine& out) {
  const double w = m.mat[2][2];
  if (std::fabs(m.mat[0][2]) > EXACT || std::fabs(m.mat[1][2]) > EXACT || std::fabs(w) < EXACT) return false;
  out = {m.mat[0][0] / w, m.mat[0][1] / w, m.mat[1][0] / w, m.mat[1][1] / w, m.mat[2][0] / w, m.mat[2][1] / w};
  for (double v : {out.a, out.b, out.c, out.d, out.e, out.f}) {
    if (!std::isfinite(v)) return false;
  }
  return true;
}

PF_LRect destinationBounds(const Affine& forward, const World& src) {
  // The source rectangle grown by the bilinear reach, mapped forward, plus two destination pixels.
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  const double w = src.width(), h = src.height();
  for (const auto& [u, v] :
       {std::pair{-1.0, -1.0}, std::pair{w + 1, -1.0}, std::pair{-1.0, h + 1}, std::pair{w + 1, h + 1}}) {
    const double x = forward.a * u + forward.c * v + forward.e;
    const double y = forward.b * u + forward.d * v + forward.f;
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  auto clampPixel = [](double v) {
    constexpr double LIMIT = 1 << 29;
    return static_cast<A_long>(std::clamp(v, -LIMIT, LIMIT));
  };
  return {clampPixel(std::floor(left) - 2), clampPixel(std::floor(top) - 2), clampPixel(std::ceil(right) + 2),
          clampPixel(std::ceil(bottom) + 2)};
}

template <PixelDepth D>
Color4 fetchLevel0(const World& src, A_long x, A_long y) {
  if (x < 0 || y < 0 || x >= src.width() || y >= src.height()) return {};
  return premultiply(loadStraight<D>(pixelRow<D>(src, y)[x]));
}

template <PixelDepth D>
Color4 bilinearLevel0(const World& src, double u, double v) {
  const double x = u - 0.5, y = v - 0.5;
  const double fx0 = std::floor(x), fy0 = std::floor(y);
  if (fx0 < -2 || fy0 < -2 || fx0 > src.width() || fy0 > src.height()) return {};
  const auto x0 = static_cast<A_long>(fx0);
  const auto y0 = static_cast<A_long>(fy0);
  const auto fx = static_cast<float>(x - fx0);
  const auto fy = static_cast<float>(y - fy0);
  const Color4 top = fetchLevel0<D>(src, x0, y0) * (1 - fx) + fetchLevel0<D>(src, x0 + 1, y0) * fx;
  const Color4 bottom = fetchLevel0<D>(src, x0, y0 + 1) * (1 - fx) + fetchLevel0<D>(src, x0 + 1, y0 + 1) * fx;
  return top * (1 - fy) + bottom * fy;
}

Color4 fetchTexel(const ReducedCopy& copy, A_long x, A_long y) {
  if (x < 0 || y < 0 || x >= copy.width || y >= copy.height) return {};
  return copy.at(x, y);
}

// A sample whose four texels are not all inside the copy: those outside count as transparent.
[[gnu::noinline]] Color4 bilinearCopyEdge(const ReducedCopy& copy, A_long x0, A_long y0, float fx, float fy) {
  const Color4 top = fetchTexel(copy, x0, y0) * (1 - fx) + fetchTexel(copy, x0 + 1, y0) * fx;
  const Color4 bottom = fetchTexel(copy, x0, y0 + 1) * (1 - fx) + fetchTexel(copy, x0 + 1, y0 + 1) * fx;
  return top * (1 - fy) + bottom * fy;
}

// The bilinear sample between texels (x0, y0) and (x0 + 1, y0 + 1) with weights fx, fy of the
// second ones. Inlined into the row loop, with the result in a register.
[[gnu::always_inline]] inline Lanes bilinearCopy(const ReducedCopy& copy, A_long x0, A_long y0, float fx, float fy) {
  if (x0 >= 0 && y0 >= 0 && x0 + 1 < copy.width && y0 + 1 < copy.height) {
    if (copy.clearQuad(x0, y0)) return Lanes{};  // what the four transparent texels would give
    const Color4* p = &copy.texels[static_cast<std::size_t>(y0) * copy.width + x0];
    const Color4* q = p + copy.width;
    const Lanes top = lanesOf(p[0]) + (lanesOf(p[1]) - lanesOf(p[0])) * fx;
    const Lanes bottom = lanesOf(q[0]) + (lanesOf(q[1]) - lanesOf(q[0])) * fx;
    return top + (bottom - top) * fy;
  }
  if (x0 < -1 || y0 < -1 || x0 >= copy.width || y0 >= copy.height) return Lanes{};
  return lanesOf(bilinearCopyEdge(copy, x0, y0, fx, fy));
}

// The pixels [first, last) of a row whose samples may be non-zero: u = u0 + du·i must lie within
// [-1, uSize + 1] and likewise v, since bilinear sampling reaches one texel beyond the picture.
struct Span {
  std::size_t first = 0, last = 0;
};

Span reachingSpan(double u0, double du, double uSize, double v0, double dv, double vSize, std::size_t count) {
  double lo = 0, hi = static_cast<double>(count);
  auto limit = [&](double start, double step, double size) {
    if (step == 0.0) {
      if (start < -1.0 || start > size + 1.0) hi = lo;
      return;
    }
    const double t0 = (-1.0 - start) / step, t1 = (size + 1.0 - start) / step;
    lo = std::max(lo, std::floor(std::min(t0, t1)) - 1.0);
    hi = std::min(hi, std::ceil(std::max(t0, t1)) + 1.0);
  };
  limit(u0, du, uSize);
  limit(v0, dv, vSize);
  if (!(hi > lo)) return {};
  return {static_cast<std::size_t>(lo), static_cast<std::size_t>(hi)};
}

// The share of a destination pixel whose footprint spans `reach` texels along one axis, centred at
// texel coordinate t, that falls inside [0, size): the pixel's coverage along that axis.
inline float edgeCoverage(double t, double size, double reach) {
  const double half = reach * 0.5;
  if (t >= half && t <= size - half) return 1.0f;
  if (!(reach > 1e-12)) return t >= 0 && t < size ? 1.0f : 0.0f;
  return static_cast<float>(std::clamp((std::min(t + half, size) - std::max(t - half, 0.0)) / reach, 0.0, 1.0));
}

// The samples of `span` (positions t0 + dt·k at its k-th pixel along each axis, in texels) whose
// footprint of `reach` texels lies inside [0, size) on both axes with a margin, so that their
// coverage is exactly 1 however the positions round. Empty when there are none.
Span wholeSpan(Span span, double u0, double du, double uSize, double uReach, double v0, double dv, double vSize,
               double vReach) {
  const auto count = static_cast<double>(span.last - span.first);
  double first = 0, last = count;
  const auto limit = [&](double t0, double dt, double size, double reach) {
    constexpr double MARGIN = 1e-3;
    const double lo = reach * 0.5 + MARGIN, hi = size - reach * 0.5 - MARGIN;
    if (!(hi > lo) || !std::isfinite(t0) || !std::isfinite(dt)) {
      last = first;
    } else if (dt == 0.0) {
      if (!(t0 >= lo && t0 <= hi)) last = first;
    } else {
      const double a = (lo - t0) / dt, b = (hi - t0) / dt;
      // One sample more on each side than the bounds say, against rounding.
      first = std::max(first, std::ceil(std::min(a, b)) + 1.0);
      last = std::min(last, std::floor(std::max(a, b)));
    }
  };
  limit(u0, du, uSize, uReach);
  limit(v0, dv, vSize, vReach);
  if (!(last > first)) return {span.first, span.first};
  return {span.first + static_cast<std::size_t>(first), span.first + static_cast<std::size_t>(last)};
}

// What a turned or sheared warp samples: the source, its area-reduced copy (null when the source
// is read as it is) with the copy's size and scale, and the destination-to-source map.
struct WarpSource {
  const World& src;
  const ReducedCopy* reduced;
  double scaleU, scaleV;  // source pixels to texels of the copy
  A_long reducedWidth, reducedHeight;
  Affine inverse;
};

// One destination row, sampled bilinearly from the source itself or from its reduced copy, whose
// texel coordinates are the source's scaled by (scaleU, scaleV); a source of one colour is that
// colour times the share of the sample inside it, with no copy needed. Pixels outside the returned
// span are transparent.
template <PixelDepth D>
Span sampleRow(const WarpSource& warp, A_long y, A_long x0, std::span<Color4> out) {
  const World& src = warp.src;
  const ReducedCopy* reduced = warp.reduced;
  const double scaleU = warp.scaleU, scaleV = warp.scaleV;
  const A_long reducedWidth = warp.reducedWidth, reducedHeight = warp.reducedHeight;
  const Affine& inv = warp.inverse;
  std::fill(out.begin(), out.end(), Color4{});
  double u = (inv.a * (x0 + 0.5) + inv.c * (y + 0.5) + inv.e) * scaleU;
  double v = (inv.b * (x0 + 0.5) + inv.d * (y + 0.5) + inv.f) * scaleV;
  const double stepU = inv.a * scaleU, stepV = inv.b * scaleV;
  const double width = reducedWidth, height = reducedHeight;
  // Edges by coverage: a pixel's footprint spans |a| + |c| texels along u and |b| + |d| along v;
  // colour is sampled clamped to the edge texels and weighed by the share inside the picture.
  const double reachU = (std::fabs(inv.a) + std::fabs(inv.c)) * scaleU;
  const double reachV = (std::fabs(inv.b) + std::fabs(inv.d)) * scaleV;
  const Span span = reachingSpan(u, stepU, width, v, stepV, height, out.size());
  if (span.last <= span.first || (!src.isUniform() && reduced == nullptr)) {
    for (std::size_t i = span.first; i < span.last; ++i) {
      const double pu = u + stepU * static_cast<double>(i), pv = v + stepV * static_cast<double>(i);
      const float cover = edgeCoverage(pu, width, reachU) * edgeCoverage(pv, height, reachV);
      if (cover <= 0.0f) continue;
      out[i] = bilinearLevel0<D>(src, std::clamp(pu, 0.5, width - 0.5), std::clamp(pv, 0.5, height - 0.5)) * cover;
    }
    return span;
  }
  // Sample positions less half a texel, in 32.32 fixed point: stepping along the row is one
  // addition, and the texel and its weight are the integer and fraction parts.
  const auto fixed = [](double t) { return static_cast<std::int64_t>(std::llround(t * POSITION_ONE)); };
  const auto first = static_cast<double>(span.first);
  std::int64_t fu = fixed(u + stepU * first - 0.5), fv = fixed(v + stepV * first - 0.5);
  const std::int64_t du = fixed(stepU), dv = fixed(stepV);
  const auto texel = [](std::int64_t t) { return static_cast<A_long>(t >> 32); };
  const auto weight = [](std::int64_t t) {
    return static_cast<float>(static_cast<std::uint32_t>(t)) * static_cast<float>(1.0 / POSITION_ONE);
  };
  // The sample's texel coordinate (fixed point, less half a texel) as a position for coverage.
  const auto position = [](std::int64_t t) { return static_cast<double>(t) * (1.0 / POSITION_ONE) + 0.5; };
  if (src.isUniform()) {
    const auto& c = src.uniformColor();
    const Color4 colour = premultiply(Color4{c[0], c[1], c[2], c[3]});
    for (std::size_t i = span.first; i < span.last; ++i, fu += du, fv += dv) {
      out[i] = colour * (edgeCoverage(position(fu), width, reachU) * edgeCoverage(position(fv), height, reachV));
    }
    return span;
  }
  const std::int64_t lastU = static_cast<std::int64_t>(reducedWidth - 1) << 32;
  const std::int64_t lastV = static_cast<std::int64_t>(reducedHeight - 1) << 32;
  // One sample; WHOLE when its footprint is known to lie inside the picture (coverage 1).
  const auto sampleAt = [&]<bool WHOLE>(std::size_t i) {
    float cover = 1.0f;
    if constexpr (!WHOLE) {
      cover = edgeCoverage(position(fu), width, reachU) * edgeCoverage(position(fv), height, reachV);
      if (cover <= 0.0f) return;
    }
    // The texels a few samples ahead are asked for now: along a turned row they lie on other
    // texel rows, where the hardware does not look ahead by itself.
    const A_long ax = texel(fu + du * SAMPLES_AHEAD), ay = texel(fv + dv * SAMPLES_AHEAD);
    if (ax >= 0 && ay >= 0 && ax + 1 < reducedWidth && ay + 1 < reducedHeight) {
      const Color4* t = &reduced->at(ax, ay);
      __builtin_prefetch(t);
      __builtin_prefetch(t + reducedWidth);
    }
    const std::int64_t cu = std::clamp<std::int64_t>(fu, 0, lastU), cv = std::clamp<std::int64_t>(fv, 0, lastV);
    const Lanes sample = bilinearCopy(*reduced, texel(cu), texel(cv), weight(cu), weight(cv));
    out[i] = colorOf(cover == 1.0f ? sample : sample * cover);
  };
  // The samples between the row's edges skip the coverage terms, which are 1 there.
  const Span whole = wholeSpan(span, position(fu), static_cast<double>(du) / POSITION_ONE, width, reachU, position(fv),
                               static_cast<double>(dv) / POSITION_ONE, height, reachV);
  std::size_t i = span.first;
  for (; i < whole.first; ++i, fu += du, fv += dv) sampleAt.template operator()<false>(i);
  for (; i < whole.last; ++i, fu += du, fv += dv) sampleAt.template operator()<true>(i);
  for (; i < span.last; ++i, fu += du, fv += dv) sampleAt.template operator()<false>(i);
  return span;
}

template <PixelDepth D>
void readStraightRow(const World& src, A_long sy, A_long sx0, std::span<Color4> out) {
  std::fill(out.begin(), out.end(), Color4{});
  if (sy < 0 || sy >= src.height()) return;
  const auto* row = pixelRow<D>(src, sy);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const A_long sx = sx0 + static_cast<A_long>(i);
    if (sx >= 0 && sx < src.width()) out[i] = loadStraight<D>(row[sx]);
  }
}

bool isWholePixelShift(const Affine& inv) {
  return std::fabs(inv.a - 1) < EXACT && std::fabs(inv.d - 1) < EXACT && std::fabs(inv.b) < EXACT &&
         std::fabs(inv.c) < EXACT && std::fabs(inv.e - std::round(inv.e)) < EXACT &&
         std::fabs(inv.f - std::round(inv.f)) < EXACT;
}

// Reading and writing one world at once would read pixels already written: a world drawn onto
// itself is read from a copy of it, made here (null when the two are different worlds).
std::unique_ptr<World> separateCopy(const World& source, const World& dst) {
  if (&source != &dst) return nullptr;
  auto copy = std::make_unique<World>(source.depth(), source.width(), source.height());
  for (A_long y = 0; y < source.height(); ++y) std::copy_n(source.row(y), source.rowBytes(), copy->row(y));
  return copy;
}

// Composites `src` moved by whole pixels onto `area` of `dst`: destination (x, y) shows source
// (x − dx, y − dy), which `area` must lie within. No resampling: the pixels are taken as they are.
void shiftPixels(const World& src, World& dst, const PF_LRect& area, A_long dx, A_long dy, const CompositeSpec& spec,
                 ThreadPool& pool) {
  const int width = area.right - area.left;
  pool.parallelRows(area.top, area.bottom, ThreadPool::minRowsFor(width), [&](int first, int last) {
    std::vector<Color4> row(static_cast<std::size_t>(width));
    std::vector<float> scratch(static_cast<std::size_t>(width));
    for (int y = first; y < last; ++y) {
      if (overSameDepthRow(src, y - dy, area.left - dx, dst, y, area.left, row.size(), spec, scratch)) continue;
      dispatchDepth(src.depth(), [&]<PixelDepth D>() { readStraightRow<D>(src, y - dy, area.left - dx, row); });
      compositeStraightRow(dst, y, area.left, row, spec, scratch);
    }
  });
  dst.markWritten(area);
}

}  // namespace

PixelEngine::PixelEngine(unsigned threads, std::size_t cacheBytes)
    : pool_(threads), budget_(cacheBytes), resampled_(std::make_unique<ResampleCache>(budget_)) {}

PixelEngine::~PixelEngine() = default;

void PixelEngine::transformWorld(const World& source, World& dst, const PF_FloatMatrix& matrix, bool srcToDst,
                                 const CompositeSpec& spec, const PF_LRect& destRect) {
  if (source.width() <= 0 || source.height() <= 0) return;
  PF_FloatMatrix inverse{}, forward{};
  if (srcToDst) {
    forward = matrix;
    if (!invert(matrix, inverse)) return;  // a degenerate placement covers no pixel
  } else {
    inverse = matrix;
    if (!invert(matrix, forward)) return;
  }
  Affine inv{}, fwd{};
  if (!toAffine(inverse, inv) || !toAffine(forward, fwd)) return;

  const PF_LRect area =
      intersect(intersect(destRect, PF_LRect{0, 0, dst.width(), dst.height()}), destinationBounds(fwd, source));
  if (isEmpty(area)) return;

  const std::unique_ptr<World> copy = separateCopy(source, dst);
  const World& src = copy ? *copy : source;
  const int width = area.right - area.left;

  if (isWholePixelShift(inv)) {
    // Destination (x, y) shows source (x + du, y + dv).
    const auto du = static_cast<A_long>(std::round(inv.e));
    const auto dv = static_cast<A_long>(std::round(inv.f));
    const PF_LRect exact = intersect(area, PF_LRect{-du, -dv, src.width() - du, src.height() - dv});
    if (isEmpty(exact)) return;
    shiftPixels(src, dst, exact, -du, -dv, spec, pool_);
    return;
  }

  if (std::fabs(inv.b) < EXACT && std::fabs(inv.c) < EXACT) {
    // No rotation or shear: each axis maps on its own, u = a·x + e and v = d·y + f.
    const AxisMap xMap{inv.a, inv.e};
    const AxisMap yMap{inv.d, inv.f};
    separableResample(src, dst, xMap, yMap, area, spec, pool_, *resampled_);
    dst.markWritten(area);
    return;
  }

  // Rotated or sheared. A destination pixel spans hypot(a, c) source pixels along u and
  // hypot(b, d) along v; an axis that shrinks is read from an area-reduced copy of the source, so
  // that bilinear sampling is left with almost no shrinking to do (no aliasing). The copy is made
  // before the parallel loop: workers only read it.
  const A_long reducedWidth = reducedSize(src.width(), std::hypot(inv.a, inv.c));
  const A_long reducedHeight = reducedSize(src.height(), std::hypot(inv.b, inv.d));
  const ReducedCopy* reduced = nullptr;
  if (!src.isUniform() && (reducedWidth != src.width() || reducedHeight != src.height())) {
    reduced = &src.reducedCopy(reducedWidth, reducedHeight, pool_);
  }
  const WarpSource warp{src,
                        reduced,
                        static_cast<double>(reducedWidth) / src.width(),
                        static_cast<double>(reducedHeight) / src.height(),
                        reducedWidth,
                        reducedHeight,
                        inv};

  // The area is walked in tiles: a destination row crosses a turned source diagonally, and a tile
  // reads a small patch of it that stays in the cache from one row to the next.
  pool_.parallelRows(area.top, area.bottom, ThreadPool::minRowsFor(width), [&](int from, int to) {
    const int tileWidth = std::min(width, TILE_COLUMNS);
    std::vector<Color4> row(static_cast<std::size_t>(tileWidth));
    std::vector<float> scratch(static_cast<std::size_t>(tileWidth));
    for (int top = from; top < to; top += TILE_ROWS) {
      for (A_long left = area.left; left < area.right; left += tileWidth) {
        const std::span<Color4> piece(row.data(),
                                      static_cast<std::size_t>(std::min<A_long>(tileWidth, area.right - left)));
        for (int y = top; y < std::min(to, top + TILE_ROWS); ++y) {
          const Span span =
              dispatchDepth(src.depth(), [&]<PixelDepth D>() { return sampleRow<D>(warp, y, left, piece); });
          // Transparent samples leave the destination as it is, except when copying.
          if (spec.mode == PF_Xfer_COPY) {
            compositePremultipliedRow(dst, y, left, piece, spec, scratch);
          } else if (span.last > span.first) {
            const std::span<const Color4> reaching(piece.data() + span.first, span.last - span.first);
            compositePremultipliedRow(dst, y, left + static_cast<A_long>(span.first), reaching, spec, scratch);
          }
        }
      }
    }
  });
  dst.markWritten(area);
}

void PixelEngine::transferRect(const World& source, const PF_LRect& srcRect, World& dst, A_long destX, A_long destY,
                               const CompositeSpec& spec) {
  const PF_LRect from = intersect(srcRect, PF_LRect{0, 0, source.width(), source.height()});
  if (isEmpty(from)) return;
  const A_long dx = destX - srcRect.left;
  const A_long dy = destY - srcRect.top;
  const PF_LRect area = intersect(PF_LRect{from.left + dx, from.top + dy, from.right + dx, from.bottom + dy},
                                  PF_LRect{0, 0, dst.width(), dst.height()});
  if (isEmpty(area)) return;
  const std::unique_ptr<World> copy = separateCopy(source, dst);
  shiftPixels(copy ? *copy : source, dst, area, dx, dy, spec, pool_);
}

}  // namespace plenorium::host
