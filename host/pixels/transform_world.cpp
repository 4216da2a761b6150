// The world transform. Coordinate spaces: destination pixels (x, y) with pixel centres at
// x + 0.5; source pixels (u, v), pixel i covering [i, i + 1); level-n texels of the source's
// pyramid, texel j covering source [j·2ⁿ, (j + 1)·2ⁿ). Every destination pixel centre is mapped
// into source space by the inverse matrix, which is affine, so each row starts once and then
// steps by the matrix's first row.
#include <cmath>
#include <vector>

#include "mip_chain.h"
#include "pixel_engine.h"
#include "separable_resample.h"

namespace plenorium::host {
namespace {

constexpr int MIN_ROWS_PER_TASK = 8;
constexpr int MAX_PROBES = 16;
constexpr double EXACT = 1e-9;

// u = a·x + c·y + e, v = b·x + d·y + f (row vectors: the matrix's first column gives u).
struct Affine {
  double a, b, c, d, e, f;
};

bool invert(const PF_FloatMatrix& m, PF_FloatMatrix& out) {
  const auto& k = m.mat;
  const double det = k[0][0] * (k[1][1] * k[2][2] - k[1][2] * k[2][1]) - k[0][1] * (k[1][0] * k[2][2] - k[1][2] * k[2][0]) +
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
  for (const auto& [u, v] : {std::pair{-1.0, -1.0}, std::pair{w + 1, -1.0}, std::pair{-1.0, h + 1}, std::pair{w + 1, h + 1}}) {
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

// How a destination pixel's footprint is sampled: `probes` bilinear-or-trilinear taps spaced
// along the footprint's long axis, each at pyramid level `lambda`.
struct Footprint {
  int probes = 1;
  double stepU = 0, stepV = 0;
  int level = 0;     // lower pyramid level
  float blend = 0;   // share of level + 1
};

Footprint footprintOf(const Affine& inv, int levels) {
  Footprint fp;
  const double lenX = std::hypot(inv.a, inv.b);
  const double lenY = std::hypot(inv.c, inv.d);
  const double major = std::max(lenX, lenY);
  const double minor = std::min(lenX, lenY);
  if (major <= 1.0) return fp;
  fp.probes = static_cast<int>(std::clamp(std::ceil(major / std::max(minor, 1.0) - 1e-9), 1.0, double(MAX_PROBES)));
  const double axisU = lenX >= lenY ? inv.a : inv.c;
  const double axisV = lenX >= lenY ? inv.b : inv.d;
  fp.stepU = axisU / fp.probes;
  fp.stepV = axisV / fp.probes;
  const double lambda = std::min(std::log2(std::max({minor, major / fp.probes, 1.0})), static_cast<double>(levels));
  fp.level = static_cast<int>(std::floor(lambda));
  fp.blend = static_cast<float>(lambda - fp.level);
  if (fp.level >= levels) {
    fp.level = levels;
    fp.blend = 0;
  }
  return fp;
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

Color4 fetchTexel(const MipLevel& level, A_long x, A_long y) {
  if (x < 0 || y < 0 || x >= level.width || y >= level.height) return {};
  return level.at(x, y);
}

Color4 bilinearLevel(const MipLevel& level, double scale, double u, double v) {
  const double x = u * scale - 0.5, y = v * scale - 0.5;
  const double fx0 = std::floor(x), fy0 = std::floor(y);
  if (fx0 < -2 || fy0 < -2 || fx0 > level.width || fy0 > level.height) return {};
  const auto x0 = static_cast<A_long>(fx0);
  const auto y0 = static_cast<A_long>(fy0);
  const auto fx = static_cast<float>(x - fx0);
  const auto fy = static_cast<float>(y - fy0);
  if (x0 >= 0 && y0 >= 0 && x0 + 1 < level.width && y0 + 1 < level.height) {
    const Color4* p = &level.texels[static_cast<std::size_t>(y0) * level.width + x0];
    const Color4* q = p + level.width;
    return (p[0] * (1 - fx) + p[1] * fx) * (1 - fy) + (q[0] * (1 - fx) + q[1] * fx) * fy;
  }
  const Color4 top = fetchTexel(level, x0, y0) * (1 - fx) + fetchTexel(level, x0 + 1, y0) * fx;
  const Color4 bottom = fetchTexel(level, x0, y0 + 1) * (1 - fx) + fetchTexel(level, x0 + 1, y0 + 1) * fx;
  return top * (1 - fy) + bottom * fy;
}

template <PixelDepth D>
Color4 sampleAtLevel(const World& src, const MipChain* mips, int level, double u, double v) {
  if (level == 0) return bilinearLevel0<D>(src, u, v);
  return bilinearLevel(mips->levels()[static_cast<std::size_t>(level - 1)], std::ldexp(1.0, -level), u, v);
}

template <PixelDepth D>
void sampleRow(const World& src, const MipChain* mips, const Affine& inv, const Footprint& fp, A_long y, A_long x0,
               std::span<Color4> out) {
  double u = inv.a * (x0 + 0.5) + inv.c * (y + 0.5) + inv.e;
  double v = inv.b * (x0 + 0.5) + inv.d * (y + 0.5) + inv.f;
  const float share = 1.0f / static_cast<float>(fp.probes);
  const double first = 0.5 - fp.probes * 0.5;
  for (Color4& c : out) {
    Color4 sum{};
    for (int k = 0; k < fp.probes; ++k) {
      const double pu = u + (first + k) * fp.stepU;
      const double pv = v + (first + k) * fp.stepV;
      Color4 s = sampleAtLevel<D>(src, mips, fp.level, pu, pv);
      if (fp.blend > 0.0f) s = s * (1.0f - fp.blend) + sampleAtLevel<D>(src, mips, fp.level + 1, pu, pv) * fp.blend;
      sum = sum + s;
    }
    c = fp.probes == 1 ? sum : sum * share;
    u += inv.a;
    v += inv.b;
  }
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

}  // namespace

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

  const PF_LRect area = intersect(intersect(destRect, PF_LRect{0, 0, dst.width(), dst.height()}),
                                  destinationBounds(fwd, source));
  if (isEmpty(area)) return;

  // Reading and writing one world at once would read pixels already written.
  std::unique_ptr<World> copy;
  if (&source == &dst) {
    copy = std::make_unique<World>(source.depth(), source.width(), source.height());
    for (A_long y = 0; y < source.height(); ++y) std::copy_n(source.row(y), source.rowBytes(), copy->row(y));
  }
  const World& src = copy ? *copy : source;
  const int width = area.right - area.left;

  if (isWholePixelShift(inv)) {
    const auto du = static_cast<A_long>(std::round(inv.e));
    const auto dv = static_cast<A_long>(std::round(inv.f));
    const PF_LRect exact =
        intersect(area, PF_LRect{-du, -dv, src.width() - du, src.height() - dv});
    if (isEmpty(exact)) return;
    const int exactWidth = exact.right - exact.left;
    pool_.parallelRows(exact.top, exact.bottom, MIN_ROWS_PER_TASK, [&](int from, int to) {
      std::vector<Color4> row(static_cast<std::size_t>(exactWidth));
      std::vector<float> scratch(static_cast<std::size_t>(exactWidth));
      for (int y = from; y < to; ++y) {
        dispatchDepth(src.depth(), [&]<PixelDepth D>() { readStraightRow<D>(src, y + dv, exact.left + du, row); });
        compositeStraightRow(dst, y, exact.left, row, spec, scratch);
      }
    });
    dst.markWritten(exact);
    return;
  }

  if (std::fabs(inv.b) < EXACT && std::fabs(inv.c) < EXACT) {
    // No rotation or shear: each axis maps on its own, u = a·x + e and v = d·y + f.
    const AxisMap xMap{inv.a, inv.e};
    const AxisMap yMap{inv.d, inv.f};
    separableResample(src, dst, xMap, yMap, area, spec, pool_, resampled_);
    dst.markWritten(area);
    return;
  }

  const Footprint probe = footprintOf(inv, 0);
  const MipChain* mips = nullptr;
  int levels = 0;
  if (probe.probes > 1 || std::max(std::hypot(inv.a, inv.b), std::hypot(inv.c, inv.d)) > 1.0) {
    mips = &src.mipChain(pool_);  // built before the parallel loop: workers only read it
    levels = static_cast<int>(mips->levels().size());
  }
  const Footprint fp = footprintOf(inv, levels);

  pool_.parallelRows(area.top, area.bottom, MIN_ROWS_PER_TASK, [&](int from, int to) {
    std::vector<Color4> row(static_cast<std::size_t>(width));
    std::vector<float> scratch(static_cast<std::size_t>(width));
    for (int y = from; y < to; ++y) {
      dispatchDepth(src.depth(), [&]<PixelDepth D>() { sampleRow<D>(src, mips, inv, fp, y, area.left, row); });
      compositePremultipliedRow(dst, y, area.left, row, spec, scratch);
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
  std::unique_ptr<World> copy;
  if (&source == &dst) {
    copy = std::make_unique<World>(source.depth(), source.width(), source.height());
    for (A_long y = 0; y < source.height(); ++y) std::copy_n(source.row(y), source.rowBytes(), copy->row(y));
  }
  const World& src = copy ? *copy : source;
  const int width = area.right - area.left;
  pool_.parallelRows(area.top, area.bottom, MIN_ROWS_PER_TASK, [&](int first, int last) {
    std::vector<Color4> row(static_cast<std::size_t>(width));
    std::vector<float> scratch(static_cast<std::size_t>(width));
    for (int y = first; y < last; ++y) {
      dispatchDepth(src.depth(), [&]<PixelDepth D>() { readStraightRow<D>(src, y - dy, area.left - dx, row); });
      compositeStraightRow(dst, y, area.left, row, spec, scratch);
    }
  });
  dst.markWritten(area);
}

}  // namespace plenorium::host
