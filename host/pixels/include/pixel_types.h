// Channel types of the three depths and their conversion to and from normalised floats.
// Private to host/pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "AE_Effect.h"
#include "world.h"

namespace plenorium::host {

// A colour in normalised floats. Whether it is premultiplied is said where it is used.
struct Color4 {
  float a = 0, r = 0, g = 0, b = 0;
};

// A colour's four channels in one vector register (GCC and Clang vector extensions), in the order
// alpha, red, green, blue, for the hot loops.
using Lanes = float __attribute__((vector_size(16)));
static_assert(sizeof(Lanes) == sizeof(Color4));

inline Lanes lanesOf(const Color4& c) {
  Lanes v;
  std::memcpy(&v, &c, sizeof v);
  return v;
}
inline Color4 colorOf(const Lanes& v) {
  return {v[0], v[1], v[2], v[3]};
}

inline Color4 operator*(const Color4& c, float k) {
  return {c.a * k, c.r * k, c.g * k, c.b * k};
}
inline Color4 operator+(const Color4& x, const Color4& y) {
  return {x.a + y.a, x.r + y.r, x.g + y.g, x.b + y.b};
}

template <PixelDepth D>
struct Channel;

template <>
struct Channel<PixelDepth::U8> {
  using Pixel = PF_Pixel8;
  static constexpr float MAX = 255.0f;
  static float toFloat(std::uint8_t v) { return static_cast<float>(v) * (1.0f / 255.0f); }
  static std::uint8_t fromFloat(float v) {
    return static_cast<std::uint8_t>(std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f));
  }
};

template <>
struct Channel<PixelDepth::U16> {
  using Pixel = PF_Pixel16;
  static constexpr float MAX = 32768.0f;
  static float toFloat(std::uint16_t v) { return static_cast<float>(v) * (1.0f / 32768.0f); }
  static std::uint16_t fromFloat(float v) {
    return static_cast<std::uint16_t>(std::clamp(v * 32768.0f + 0.5f, 0.0f, 32768.0f));
  }
};

template <>
struct Channel<PixelDepth::F32> {
  using Pixel = PF_PixelFloat;
  static constexpr float MAX = 1.0f;
  static float toFloat(float v) { return v; }
  static float fromFloat(float v) { return v; }
};

template <PixelDepth D>
inline Color4 loadStraight(const typename Channel<D>::Pixel& p) {
  using C = Channel<D>;
  return {C::toFloat(p.alpha), C::toFloat(p.red), C::toFloat(p.green), C::toFloat(p.blue)};
}

// Colour channels are kept as they are at every depth; float alpha is held to 0..1.
template <PixelDepth D>
inline void storeStraight(typename Channel<D>::Pixel& p, const Color4& c) {
  using C = Channel<D>;
  if constexpr (D == PixelDepth::F32) {
    p.alpha = std::clamp(c.a, 0.0f, 1.0f);
  } else {
    p.alpha = C::fromFloat(c.a);
  }
  p.red = C::fromFloat(c.r);
  p.green = C::fromFloat(c.g);
  p.blue = C::fromFloat(c.b);
}

// A pixel as the resampler sums it: its premultiplied, normalised colour times a row's weight.
// With channel values v and maximum M, (M, r, g, b) · a · w, where w = weight / M² is formed once
// per row.
template <PixelDepth D>
inline Lanes weightedPremultiplied(const typename Channel<D>::Pixel& p, float w) {
  return Lanes{Channel<D>::MAX, static_cast<float>(p.red), static_cast<float>(p.green), static_cast<float>(p.blue)} *
         (static_cast<float>(p.alpha) * w);
}

inline Color4 premultiply(const Color4& c) {
  return {c.a, c.r * c.a, c.g * c.a, c.b * c.a};
}

template <PixelDepth D>
inline const typename Channel<D>::Pixel* pixelRow(const World& w, A_long y) {
  return reinterpret_cast<const typename Channel<D>::Pixel*>(w.row(y));
}
template <PixelDepth D>
inline typename Channel<D>::Pixel* pixelRow(World& w, A_long y) {
  return reinterpret_cast<typename Channel<D>::Pixel*>(w.row(y));
}

// Calls fn.template operator()<D>() for the world's depth: the one dispatch from the runtime
// depth to the template instantiations.
template <typename Fn>
decltype(auto) dispatchDepth(PixelDepth depth, Fn&& fn) {
  switch (depth) {
    case PixelDepth::U16: return fn.template operator()<PixelDepth::U16>();
    case PixelDepth::F32: return fn.template operator()<PixelDepth::F32>();
    case PixelDepth::U8:
    case PixelDepth::NONE: break;  // worlds are never made without a depth
  }
  return fn.template operator()<PixelDepth::U8>();
}

}  // namespace plenorium::host
