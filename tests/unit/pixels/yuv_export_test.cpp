#include "yuv_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "pixel_test_support.h"
#include "pixel_transfer.h"
#include "yuv_rows.h"

namespace plenorium::host {
namespace {

struct Planes {
  int width, height;
  std::vector<std::uint8_t> y, u, v;
  Planes(int w, int h)
      : width(w),
        height(h),
        y(static_cast<std::size_t>(w * h)),
        u(static_cast<std::size_t>((w + 1) / 2 * ((h + 1) / 2))),
        v(u.size()) {}
  Yuv420Planes view() { return {width, height, y.data(), u.data(), v.data(), width, (width + 1) / 2, (width + 1) / 2}; }
};

// The limited-range samples of an RGB colour (0..255 per channel) in double precision.
struct ExactYuv {
  double y, u, v;
};
ExactYuv exact(double r, double g, double b, YuvMatrix matrix) {
  const double kr = matrix == YuvMatrix::Bt709 ? 0.2126 : 0.299;
  const double kb = matrix == YuvMatrix::Bt709 ? 0.0722 : 0.114;
  const double luma = kr * r + (1 - kr - kb) * g + kb * b;
  return {16 + luma * 219 / 255, 128 + (b - luma) / (2 * (1 - kb)) * 224 / 255,
          128 + (r - luma) / (2 * (1 - kr)) * 224 / 255};
}

// Each sample is the exact value rounded (within the integer weights' error, far below a level):
// luma per pixel, chroma from the average of the 2 x 2 pixels it covers, the last column and row
// of an odd picture repeated. Both matrices; black, white and grey at their limits.
TEST(YuvExport, EverySampleIsTheRoundedLimitedRangeValueOfItsPixels) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const YuvMatrix matrix : {YuvMatrix::Bt601, YuvMatrix::Bt709}) {
    World world(PixelDepth::U8, 37, 11);
    std::vector<int> rgb(37 * 11 * 3);
    for (int i = 0; i < 37 * 11; ++i) {
      auto* p = reinterpret_cast<PF_Pixel8*>(world.row(i / 37)) + i % 37;
      p->alpha = 255;
      p->red = static_cast<A_u_char>(rgb[i * 3] = byte(random));
      p->green = static_cast<A_u_char>(rgb[i * 3 + 1] = byte(random));
      p->blue = static_cast<A_u_char>(rgb[i * 3 + 2] = byte(random));
    }
    // Black, white and grey in the first pixels: one whole chroma block each.
    for (int x = 0; x < 6; ++x) {
      for (int y = 0; y < 2; ++y) {
        const int value = x < 2 ? 0 : x < 4 ? 255 : 90;
        auto* p = reinterpret_cast<PF_Pixel8*>(world.row(y)) + x;
        p->red = p->green = p->blue = static_cast<A_u_char>(value);
        for (int k = 0; k < 3; ++k) rgb[(y * 37 + x) * 3 + k] = value;
      }
    }
    Planes out(37, 11);
    exportYuv420(world, out.view(), matrix);
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 37; ++x) {
        const int* c = &rgb[(y * 37 + x) * 3];
        ASSERT_NEAR(out.y[y * 37 + x], exact(c[0], c[1], c[2], matrix).y, 0.52) << x << ", " << y;
      }
    }
    for (int cy = 0; cy < 6; ++cy) {
      for (int cx = 0; cx < 19; ++cx) {
        double sum[3] = {};
        for (int y : {2 * cy, std::min(2 * cy + 1, 10)}) {
          for (int x : {2 * cx, std::min(2 * cx + 1, 36)}) {
            for (int k = 0; k < 3; ++k) sum[k] += rgb[(y * 37 + x) * 3 + k] / 4.0;
          }
        }
        const ExactYuv want = exact(sum[0], sum[1], sum[2], matrix);
        ASSERT_NEAR(out.u[cy * 19 + cx], want.u, 0.52) << cx << ", " << cy;
        ASSERT_NEAR(out.v[cy * 19 + cx], want.v, 0.52) << cx << ", " << cy;
      }
    }
    EXPECT_EQ(out.y[0], 16);
    EXPECT_EQ(out.y[2], 235);
    for (int block = 0; block < 3; ++block) {
      EXPECT_EQ(out.u[block], 128);
      EXPECT_EQ(out.v[block], 128);
    }
  }
}

// Transparent pixels are composited over black exactly as an RGB file receives them, at every
// depth: the planes equal those of the opaque picture made of the exported colours. Planes smaller
// than the world (a video of even size from an odd one) take its top-left pixels.
TEST(YuvExport, PixelsWithAlphaGiveTheColourTheyShowOverBlack) {
  for (const PixelDepth depth : {PixelDepth::U8, PixelDepth::U16, PixelDepth::F32}) {
    World world(depth, 21, 9);
    test::paint(world, test::noise);
    std::vector<std::uint8_t> rgba(21 * 9 * 4);
    exportPixels(world, rgba.data(), 21 * 4, SampleType::U8, true);
    for (const auto& [width, height] : {std::pair{21, 9}, std::pair{20, 8}}) {
      SCOPED_TRACE(testing::Message() << static_cast<int>(depth) << ": " << width << " x " << height);
      World flat(PixelDepth::U8, width, height);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const std::uint8_t* p = &rgba[static_cast<std::size_t>(y * 21 + x) * 4];
          reinterpret_cast<PF_Pixel8*>(flat.row(y))[x] = PF_Pixel8{255, p[0], p[1], p[2]};
        }
      }
      Planes got(width, height), want(width, height);
      exportYuv420(world, got.view(), YuvMatrix::Bt709);
      exportYuv420(flat, want.view(), YuvMatrix::Bt709);
      EXPECT_EQ(got.y, want.y);
      EXPECT_EQ(got.u, want.u);
      EXPECT_EQ(got.v, want.v);
    }
  }
}

// The vector version gives the portable one's bytes, in both byte orders, for rows of every
// length around its step (odd ones included) and for a picture's lone last row.
TEST(YuvRows, EveryVersionGivesThePortableBytes) {
  std::mt19937 random(8);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const ByteOrder order : {ARGB_BYTES, RGBA_BYTES}) {
    const YuvWeights weights = yuvWeights(YuvMatrix::Bt709, order);
    for (const std::size_t width : {1, 2, 7, 8, 9, 16, 23, 1921}) {
      for (const bool lone : {false, true}) {
        SCOPED_TRACE(testing::Message() << width << (lone ? " lone" : ""));
        std::vector<std::uint8_t> top(width * 4), bottom(width * 4);
        for (auto& b : top) b = static_cast<std::uint8_t>(byte(random));
        for (auto& b : bottom) b = static_cast<std::uint8_t>(byte(random));
        const std::size_t chroma = (width + 1) / 2;
        std::vector<std::uint8_t> want(2 * width + 2 * chroma), got(want.size());
        auto rows = [&](std::vector<std::uint8_t>& out) {
          return YuvRowPair{top.data(),
                            lone ? top.data() : bottom.data(),
                            width,
                            out.data(),
                            lone ? nullptr : out.data() + width,
                            out.data() + 2 * width,
                            out.data() + 2 * width + chroma};
        };
        yuvRowPairPortable(rows(want), weights, 0);
        yuvRowPair(rows(got), weights);
        EXPECT_EQ(got, want);
      }
    }
  }
}

}  // namespace
}  // namespace plenorium::host
