// Building and reading worlds in pixel tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>

#include "pixel_types.h"
#include "world.h"

namespace plenorium::host::test {

// Sets every pixel from a straight normalised colour.
inline void paint(World& w, const std::function<Color4(int, int)>& colorAt) {
  dispatchDepth(w.depth(), [&]<PixelDepth D>() {
    for (A_long y = 0; y < w.height(); ++y) {
      auto* row = pixelRow<D>(w, y);
      for (A_long x = 0; x < w.width(); ++x) storeStraight<D>(row[x], colorAt(x, y));
    }
  });
  w.markAllWritten();
}

inline Color4 pixelAt(const World& w, A_long x, A_long y) {
  return dispatchDepth(w.depth(), [&]<PixelDepth D>() { return loadStraight<D>(pixelRow<D>(w, y)[x]); });
}

// A deterministic pseudo-random colour per pixel, half of them partly transparent.
inline Color4 noise(int x, int y) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  auto channel = [&](int shift) { return static_cast<float>((h >> shift) & 0xFF) / 255.0f; };
  return {(h & 1) ? 1.0f : channel(24), channel(0), channel(8), channel(16)};
}

inline bool samePixels(const World& a, const World& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.depth() != b.depth()) return false;
  const std::size_t bytes = static_cast<std::size_t>(a.width()) * bytesPerPixel(a.depth());
  for (A_long y = 0; y < a.height(); ++y) {
    if (std::memcmp(a.row(y), b.row(y), bytes) != 0) return false;
  }
  return true;
}

inline PF_FloatMatrix translation(double x, double y) {
  PF_FloatMatrix m{};
  m.mat[0][0] = m.mat[1][1] = m.mat[2][2] = 1;
  m.mat[2][0] = x;
  m.mat[2][1] = y;
  return m;
}

inline PF_FloatMatrix scaleMatrix(double sx, double sy) {
  PF_FloatMatrix m{};
  m.mat[0][0] = sx;
  m.mat[1][1] = sy;
  m.mat[2][2] = 1;
  return m;
}

}  // namespace plenorium::host::test
