#include "pixel_transfer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "byte_order.h"
#include "pixel_types.h"

namespace plenorium::host {
namespace {

float sample(const std::uint8_t* row, int index, SampleType type) {
  switch (type) {
    case SampleType::U8: return static_cast<float>(row[index]) * (1.0f / 255.0f);
    case SampleType::U16:
      return static_cast<float>(reinterpret_cast<const std::uint16_t*>(row)[index]) * (1.0f / 65535.0f);
    case SampleType::F32: return reinterpret_cast<const float*>(row)[index];
  }
  return 0;
}

// Exact integer conversions where the ranges allow, so that file values survive round trips.
template <PixelDepth D>
typename Channel<D>::Pixel convertExact(const std::uint8_t* p, int channels, SampleType type, bool& done) {
  done = false;
  typename Channel<D>::Pixel out{};
  if (channels != 4) return out;
  if constexpr (D == PixelDepth::U8) {
    if (type == SampleType::U8) {
      out = {p[3], p[0], p[1], p[2]};
      done = true;
    }
  } else if constexpr (D == PixelDepth::U16) {
    auto to16 = [](std::uint32_t v, std::uint32_t max) {
      return static_cast<std::uint16_t>((v * 32768u + max / 2) / max);
    };
    if (type == SampleType::U8) {
      out = {to16(p[3], 255), to16(p[0], 255), to16(p[1], 255), to16(p[2], 255)};
      done = true;
    } else if (type == SampleType::U16) {
      const auto* q = reinterpret_cast<const std::uint16_t*>(p);
      out = {to16(q[3], 65535), to16(q[0], 65535), to16(q[1], 65535), to16(q[2], 65535)};
      done = true;
    }
  }
  return out;
}

template <PixelDepth D>
void importRows(const PixelBuffer& src, World& dst) {
  const std::size_t sampleBytes = src.type == SampleType::U8 ? 1 : src.type == SampleType::U16 ? 2 : 4;
  for (int y = 0; y < src.height && y < dst.height(); ++y) {
    const auto* row = static_cast<const std::uint8_t*>(src.data) + static_cast<std::size_t>(y) * src.rowBytes;
    auto* out = pixelRow<D>(dst, y);
    for (int x = 0; x < src.width && x < dst.width(); ++x) {
      const std::uint8_t* p = row + static_cast<std::size_t>(x) * src.channels * sampleBytes;
      bool exact = false;
      const auto fast = convertExact<D>(p, src.channels, src.type, exact);
      if (exact) {
        out[x] = fast;
        continue;
      }
      const int base = 0;
      Color4 c{1, 0, 0, 0};
      switch (src.channels) {
        case 1: c.r = c.g = c.b = sample(p, base, src.type); break;
        case 2:
          c.r = c.g = c.b = sample(p, 0, src.type);
          c.a = sample(p, 1, src.type);
          break;
        case 3:
          c.r = sample(p, 0, src.type);
          c.g = sample(p, 1, src.type);
          c.b = sample(p, 2, src.type);
          break;
        default:
          c.r = sample(p, 0, src.type);
          c.g = sample(p, 1, src.type);
          c.b = sample(p, 2, src.type);
          c.a = sample(p, 3, src.type);
          break;
      }
      storeStraight<D>(out[x], c);
    }
  }
}

template <PixelDepth D>
void exportRows(const World& src, A_long first, A_long count, void* dst, std::size_t rowBytes, SampleType type,
                bool premultiply) {
  for (A_long y = first; y < first + count; ++y) {
    const auto* in = pixelRow<D>(src, y);
    auto* row = static_cast<std::uint8_t*>(dst) + static_cast<std::size_t>(y - first) * rowBytes;
    for (A_long x = 0; x < src.width(); ++x) {
      if constexpr (D == PixelDepth::U8) {
        if (type == SampleType::U8 && in[x].alpha == 255) {
          // Opaque: premultiplying changes nothing, and every byte converts back to itself.
          const std::uint8_t rgba[4] = {in[x].red, in[x].green, in[x].blue, 255};
          std::memcpy(row + static_cast<std::size_t>(x) * 4, rgba, sizeof rgba);
          continue;
        }
      }
      Color4 c = loadStraight<D>(in[x]);
      if (premultiply) c = {c.a, c.r * c.a, c.g * c.a, c.b * c.a};
      const float v[4] = {c.r, c.g, c.b, c.a};
      for (int k = 0; k < 4; ++k) {
        const std::size_t i = static_cast<std::size_t>(x) * 4 + k;
        switch (type) {
          case SampleType::U8:
            if constexpr (D == PixelDepth::U8) {
              if (!premultiply) {
                const std::uint8_t raw[4] = {in[x].red, in[x].green, in[x].blue, in[x].alpha};
                row[i] = raw[k];
                break;
              }
            }
            row[i] = static_cast<std::uint8_t>(std::lround(std::clamp(v[k], 0.0f, 1.0f) * 255.0f));
            break;
          case SampleType::U16: {
            std::uint16_t s = 0;
            if constexpr (D == PixelDepth::U16) {
              const std::uint16_t raw[4] = {in[x].red, in[x].green, in[x].blue, in[x].alpha};
              s = premultiply
                      ? static_cast<std::uint16_t>(std::lround(std::clamp(v[k], 0.0f, 1.0f) * 65535.0f))
                      : static_cast<std::uint16_t>((static_cast<std::uint32_t>(raw[k]) * 65535u + 16384u) / 32768u);
            } else {
              s = static_cast<std::uint16_t>(std::lround(std::clamp(v[k], 0.0f, 1.0f) * 65535.0f));
            }
            reinterpret_cast<std::uint16_t*>(row)[i] = s;
            break;
          }
          case SampleType::F32: reinterpret_cast<float*>(row)[i] = v[k]; break;
        }
      }
    }
  }
}

}  // namespace

void rgbaToArgbInPlace(World& world) {
  const RgbaToArgbRow turn = fastestRgbaToArgbRow();
  const auto width = static_cast<std::size_t>(world.width());
  for (A_long y = 0; y < world.height(); ++y) turn(world.row(y), width);
  world.markAllWritten();
}

void turnRgba(const std::uint8_t* src, int width, int height, QuarterTurn turn, std::vector<std::uint8_t>& out) {
  const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
  const std::size_t outWidth = turn.swapAxes ? h : w, outHeight = turn.swapAxes ? w : h;
  out.resize(w * h * 4);
  for (std::size_t y = 0; y < outHeight; ++y) {
    std::uint8_t* row = out.data() + y * outWidth * 4;
    for (std::size_t x = 0; x < outWidth; ++x) {
      std::size_t u = turn.swapAxes ? y : x, v = turn.swapAxes ? x : y;
      if (turn.mirrorX) u = w - 1 - u;
      if (turn.mirrorY) v = h - 1 - v;
      std::memcpy(row + x * 4, src + (v * w + u) * 4, 4);
    }
  }
}

void flattenOverCheckerboard(std::uint8_t* rgba, int width, int height, int cell) {
  cell = std::max(cell, 1);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = rgba + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    for (int x = 0; x < width; ++x, p += 4) {
      const unsigned a = p[3];
      if (a == 255) continue;
      const unsigned board = ((x / cell) + (y / cell)) % 2 == 0 ? 204 : 153;
      for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>((p[k] * a + board * (255 - a) + 127) / 255);
      p[3] = 255;
    }
  }
}

void importPixels(const PixelBuffer& src, World& dst) {
  dispatchDepth(dst.depth(), [&]<PixelDepth D>() { importRows<D>(src, dst); });
  dst.markAllWritten();
}

void exportPixels(const World& src, void* dst, std::size_t rowBytes, SampleType type, bool premultiply) {
  exportPixelRows(src, 0, src.height(), dst, rowBytes, type, premultiply);
}

void exportPixelRows(const World& src, A_long first, A_long count, void* dst, std::size_t rowBytes, SampleType type,
                     bool premultiply) {
  dispatchDepth(src.depth(),
                [&]<PixelDepth D>() { exportRows<D>(src, first, count, dst, rowBytes, type, premultiply); });
}

namespace {

template <typename Curve>
void applyToColour(float* samples, std::size_t pixels, int channels, Curve curve) {
  const int colour = channels >= 3 ? 3 : 1;
  for (std::size_t i = 0; i < pixels; ++i, samples += channels) {
    for (int k = 0; k < colour; ++k) samples[k] = curve(samples[k]);
  }
}

}  // namespace

void srgbToLinear(float* samples, std::size_t pixels, int channels) {
  applyToColour(samples, pixels, channels,
                [](float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); });
}

void linearToSrgb(float* samples, std::size_t pixels, int channels) {
  applyToColour(samples, pixels, channels,
                [](float c) { return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f; });
}

}  // namespace plenorium::host
