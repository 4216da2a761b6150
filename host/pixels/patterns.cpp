#include "patterns.h"

#include <cmath>
#include <functional>
#include <span>
#include <vector>

#include "pixel_types.h"

namespace plenorium::host {
namespace {

// Seven-segment digits: bit n lights segment n (a top, b upper right, c lower right, d bottom,
// e lower left, f upper left, g middle).
constexpr unsigned char SEGMENTS[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// Whether (x, y) in a digit cell of unit width 1 and height 2 lies on a lit segment.
bool onSegment(unsigned char mask, double x, double y) {
  constexpr double T = 0.18;  // stroke
  const bool top = y<T, middle = std::fabs(y - 1.0) < T / 2, bottom = y> 2.0 - T;
  const bool left = x<T, right = x> 1.0 - T;
  const bool upper = y<1.0, lower = y> 1.0;
  return ((mask & 0x01) && top) || ((mask & 0x02) && right && upper) || ((mask & 0x04) && right && lower) ||
         ((mask & 0x08) && bottom) || ((mask & 0x10) && left && lower) || ((mask & 0x20) && left && upper) ||
         ((mask & 0x40) && middle);
}

Color4 hue(double h) {
  h = h - std::floor(h);
  auto channel = [&](double offset) {
    const double v = std::fabs(std::fmod(h * 6.0 + offset, 6.0) - 3.0) - 1.0;
    return static_cast<float>(std::clamp(v, 0.0, 1.0));
  };
  return {1.0f, channel(0.0), channel(4.0), channel(2.0)};
}

// Fills one row of pixels: out[i] is the colour at item coordinates ((i + 0.5) / scale, y). A
// call per row, with the loop inside, lets the pixel loop run without a call per pixel.
using RowShader = std::function<void(double y, std::span<Color4> out, double scale)>;

// The row shader of a pattern whose colour at (x, y) is `colour(x, row)`, where `row` is what
// `perRow(y)` works out once for the row.
template <class PerRow, class Colour>
RowShader rowsOf(PerRow perRow, Colour colour) {
  return [perRow, colour](double y, std::span<Color4> out, double scale) {
    const auto row = perRow(y);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = colour((static_cast<double>(i) + 0.5) / scale, row);
  };
}

RowShader shaderFor(const std::string& pattern, double seconds, long frame, int itemW, int itemH) {
  if (pattern == "bars") {
    static const Color4 BARS[7] = {{1, 0.75f, 0.75f, 0.75f}, {1, 0.75f, 0.75f, 0}, {1, 0, 0.75f, 0.75f},
                                   {1, 0, 0.75f, 0},         {1, 0.75f, 0, 0.75f}, {1, 0.75f, 0, 0},
                                   {1, 0, 0, 0.75f}};
    const double sweep = std::fmod(seconds * 0.25, 1.0) * itemW;
    return rowsOf([=](double y) { return y > itemH * 0.8; },
                  [=](double x, bool greyRamp) {
                    if (std::fabs(x - sweep) < itemW * 0.01) return Color4{1, 1, 1, 1};
                    if (greyRamp) {
                      const float v = static_cast<float>(x / itemW);
                      return Color4{1, v, v, v};
                    }
                    return BARS[std::clamp(static_cast<int>(x * 7 / itemW), 0, 6)];
                  });
  }
  if (pattern == "checker") {
    const double cell = std::max(itemW, itemH) / 16.0;
    const double shift = seconds * cell;
    return rowsOf([=](double y) { return static_cast<long>(std::floor(y / cell)); },
                  [=](double x, long cy) {
                    const long cx = static_cast<long>(std::floor((x + shift) / cell));
                    return (cx + cy) % 2 == 0 ? Color4{1, 0.9f, 0.9f, 0.9f} : Color4{1, 0.15f, 0.2f, 0.35f};
                  });
  }
  if (pattern == "gradient") {
    return rowsOf([=](double y) { return static_cast<float>(0.35 + 0.65 * (1.0 - y / itemH)); },
                  [=](double x, float shade) {
                    Color4 c = hue(x / itemW + seconds * 0.1);
                    return Color4{1, c.r * shade, c.g * shade, c.b * shade};
                  });
  }
  if (pattern == "counter") {
    const std::string digits = std::to_string(std::max(frame, 0L));
    const double count = static_cast<double>(digits.size());
    const double cellW = std::min(itemW / (count + 1.0), itemH / 3.0);
    const double cellH = cellW * 2;
    const double left = (itemW - cellW * count) / 2;
    const double top = (itemH - cellH) / 2;
    const Color4 back = hue(static_cast<double>(frame) * 0.03);
    return rowsOf([=](double y) { return (y - top) / cellH * 2; },
                  [=](double x, double v) {
                    const double u = (x - left) / cellW;
                    if (u >= 0 && v >= 0 && v < 2 && u < count) {
                      const auto i = static_cast<std::size_t>(u);
                      const double fx = (u - static_cast<double>(i)) * 1.25 - 0.125;  // a gap between digits
                      if (fx >= 0 && fx <= 1 && onSegment(SEGMENTS[digits[i] - '0'], fx, v)) return Color4{1, 1, 1, 1};
                    }
                    return Color4{1, back.r * 0.3f, back.g * 0.3f, back.b * 0.3f};
                  });
  }
  return nullptr;
}

template <PixelDepth D>
void shade(World& dst, const RowShader& shader, double scale, ThreadPool& pool) {
  pool.parallelRows(0, dst.height(), ThreadPool::minRowsFor(dst.width()), [&](int from, int to) {
    std::vector<Color4> colours(static_cast<std::size_t>(dst.width()));
    for (int y = from; y < to; ++y) {
      shader((y + 0.5) / scale, colours, scale);
      auto* row = pixelRow<D>(dst, y);
      for (A_long x = 0; x < dst.width(); ++x) storeStraight<D>(row[x], colours[static_cast<std::size_t>(x)]);
    }
  });
}

}  // namespace

bool drawPattern(PixelEngine& engine, World& dst, const std::string& pattern, double seconds, long frame,
                 double scale) {
  const int itemW = static_cast<int>(std::lround(dst.width() / scale));
  const int itemH = static_cast<int>(std::lround(dst.height() / scale));
  const RowShader shader = shaderFor(pattern, seconds, frame, std::max(itemW, 1), std::max(itemH, 1));
  if (!shader) return false;
  dispatchDepth(dst.depth(), [&]<PixelDepth D>() { shade<D>(dst, shader, scale, engine.pool()); });
  dst.markAllWritten();
  return true;
}

}  // namespace plenorium::host
