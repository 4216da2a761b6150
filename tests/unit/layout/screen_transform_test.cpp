#include "screen_transform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "layout_test_support.h"
#include "wall_geometry.h"

namespace plenorium {
namespace {

using test::apply;
using test::Point;

// Bounding box of a w × h picture's corners after the matrix.
struct Box {
  double left, top, right, bottom;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};
Box bounds(const PF_FloatMatrix& m, double w, double h) {
  Box b{1e300, 1e300, -1e300, -1e300};
  for (Point c : {apply(m, 0, 0), apply(m, w, 0), apply(m, 0, h), apply(m, w, h)}) {
    b.left = std::min(b.left, c.x);
    b.right = std::max(b.right, c.x);
    b.top = std::min(b.top, c.y);
    b.bottom = std::max(b.bottom, c.y);
  }
  return b;
}

WallLayout defaultLayout(PF_RationalScale pixelAspect = {1, 1}) {
  WallParams params = test::defaultWallParams();
  PF_InData in = test::defaultInData();
  in.pixel_aspect_ratio = pixelAspect;
  WallLayout l;
  l.controls = readWallControls(params);
  l.grid = wallGridFor(l.controls, in, 0, 0);
  return l;
}

PF_FloatMatrix placeSource(const WallLayout& l, const ScreenSlot& slot, A_long w, A_long h, double cx, double cy) {
  const ScreenScale s = screenScale(l, slot, w, h);
  const double p = static_cast<float>(1.0 / l.grid.aspect);
  PF_FloatMatrix m;
  buildScreenMatrix(m, {.x = cx,
                        .y = cy,
                        .sx = s.sx,
                        .sy = s.sy,
                        .rotationDeg = slot.finalRotateZ,
                        .width = w,
                        .height = h,
                        .preScaleX = p,
                        .postScaleX = p});
  return m;
}

TEST(ScreenTransform, NeutralControlsStretchTheSourceExactlyOverTheScreen) {
  const WallLayout l = defaultLayout();
  const ScreenSlot slot;
  const ScreenScale s = screenScale(l, slot, 1920, 1080);
  EXPECT_EQ(s.sx, 160.0f / 1920.0f);
  EXPECT_EQ(s.sy, 90.0f / 1080.0f);
  const Box b = bounds(placeSource(l, slot, 1920, 1080, 640, 405), 1920, 1080);
  EXPECT_NEAR(b.left, 560, 1e-3);
  EXPECT_NEAR(b.top, 360, 1e-3);
  EXPECT_NEAR(b.width(), 160, 1e-3);
  EXPECT_NEAR(b.height(), 90, 1e-3);
  EXPECT_EQ(opacityByte(slot.controls.opacity), 255);
}

TEST(ScreenTransform, TiltsForeshortenAndMirrorAboutTheScreenCentre) {
  const WallLayout l = defaultLayout();
  ScreenSlot slot;
  slot.finalRotateY = 60;
  const Box half = bounds(placeSource(l, slot, 1920, 1080, 640, 405), 1920, 1080);
  EXPECT_NEAR(half.width(), 80, 1e-3);
  EXPECT_NEAR((half.left + half.right) / 2, 640, 1e-3);

  slot.finalRotateY = 180;
  const PF_FloatMatrix mirrored = placeSource(l, slot, 1920, 1080, 640, 405);
  EXPECT_NEAR(apply(mirrored, 0, 0).x, 720, 1e-3) << "the source's left edge lands on the screen's right edge";
  EXPECT_NEAR(bounds(mirrored, 1920, 1080).width(), 160, 1e-3);

  slot.finalRotateY = 90;
  const ScreenScale sliver = screenScale(l, slot, 1920, 1080);
  EXPECT_NE(sliver.sx, 0.0f) << "an edge-on screen is a sliver, not skipped";
  EXPECT_LT(std::fabs(sliver.sx), 1e-9f);

  slot.finalRotateY = 0;
  slot.finalRotateX = 60;
  EXPECT_NEAR(bounds(placeSource(l, slot, 1920, 1080, 640, 405), 1920, 1080).height(), 45, 1e-3);
}

TEST(ScreenTransform, AQuarterTurnOnPixelAspectTwoKeepsTheScreensTrueShape) {
  const WallLayout l = defaultLayout({2, 1});
  ASSERT_EQ(l.grid.screenWidthPx, 80.0f);
  ScreenSlot slot;
  slot.finalRotateZ = 90;
  const Box b = bounds(placeSource(l, slot, 1920, 1080, 100, 100), 1920, 1080);
  EXPECT_NEAR(b.width(), 45, 1e-3);
  EXPECT_NEAR(b.height(), 160, 1e-3);
  EXPECT_NEAR((b.left + b.right) / 2, 100, 1e-3);
}

TEST(ScreenTransform, APositiveAngleTurnsClockwiseOnScreen) {
  PF_FloatMatrix m;
  buildScreenMatrix(m, {.x = 0, .y = 0, .rotationDeg = 90, .width = 10, .height = 10});
  const Point right = apply(m, 10, 5);  // the right-hand middle of the picture
  EXPECT_NEAR(right.x, 0, 1e-9);
  EXPECT_NEAR(right.y, 5, 1e-9) << "right turns to bottom when y grows downwards";
}

TEST(ScreenTransform, AMatrixCentredAtTheOriginMovesThePictureCentreThere) {
  PF_FloatMatrix m;
  buildScreenMatrix(m, {.x = 0,
                        .y = 0,
                        .sx = 0.3,
                        .sy = 2.0,
                        .rotationDeg = 33,
                        .width = 640,
                        .height = 360,
                        .preScaleX = 1.5,
                        .postScaleX = 1.5});
  const Point c = apply(m, 320, 180);
  EXPECT_NEAR(c.x, 0, 1e-9);
  EXPECT_NEAR(c.y, 0, 1e-9);
}

TEST(ScreenTransform, ConcatenationAppliesTheExistingMatrixFirst) {
  PF_FloatMatrix scale{}, shift{};
  scale.mat[0][0] = 2;
  scale.mat[1][1] = 2;
  scale.mat[2][2] = 1;
  shift.mat[0][0] = shift.mat[1][1] = shift.mat[2][2] = 1;
  shift.mat[2][0] = 10;
  PF_FloatMatrix m = scale;
  concatMatrix(shift, m);  // scale, then shift
  EXPECT_DOUBLE_EQ(apply(m, 1, 0).x, 12);
  m = shift;
  concatMatrix(scale, m);  // shift, then scale
  EXPECT_DOUBLE_EQ(apply(m, 1, 0).x, 22);
}

TEST(RandomizeValue, StaysWithinItsRangeAndAlwaysMakesTheSameDraws) {
  float minPositive = 1e9f, maxPositive = -1e9f, minNegative = 1e9f;
  for (std::int32_t seed = 0; seed < 2000; ++seed) {
    WallRandom r(seed);
    const float v = randomizeValue(r, 40.0f, 1.0f);
    minPositive = std::min(minPositive, v);
    maxPositive = std::max(maxPositive, v);
    WallRandom n(seed);
    minNegative = std::min(minNegative, randomizeValue(n, 40.0f, -1.0f));
    WallRandom half(seed);
    const float h = randomizeValue(half, 40.0f, 0.5f);
    EXPECT_GE(h, 20.0f);
    EXPECT_LE(h, 40.0f);
  }
  EXPECT_GE(minPositive, 0.0f);
  EXPECT_LT(minPositive, 1.0f);
  EXPECT_LE(maxPositive, 40.0f);
  EXPECT_GT(maxPositive, 39.0f);
  EXPECT_GE(minNegative, -40.0f);
  EXPECT_LT(minNegative, -39.0f);

  WallRandom zero(7), full(7);
  EXPECT_EQ(randomizeValue(zero, 40.0f, 0.0f), 40.0f);
  randomizeValue(full, 40.0f, 1.0f);
  EXPECT_EQ(zero.draw(), full.draw()) << "amount 0 makes its draws all the same";
}

TEST(ScreenDelay, ScreensSwitchOnWhenTheirDelayIsReachedAndSampleAtTheirOwnTime) {
  EXPECT_TRUE(isScreenVisible(0, 25, 0.0f));
  EXPECT_FALSE(isScreenVisible(0, 25, 0.01f));
  EXPECT_TRUE(isScreenVisible(50, 25, 2.0f));
  EXPECT_FALSE(isScreenVisible(49, 25, 2.0f));
  EXPECT_EQ(screenSampleTime(50, 25, 1.0f), 25);
  EXPECT_EQ(screenSampleTime(0, 25, 1.0f), -25) << "the sample time is not clamped at 0";
  EXPECT_EQ(screenSampleTime(10, 25, std::nanf("")), 10);

  const auto seeds = screenSeeds(2, 20);
  for (std::int32_t seed : seeds) {
    WallRandom r(seed);
    const float offset = drawTimeOffset(r, 2.0f);
    EXPECT_GE(offset, 0.0f);
    EXPECT_LE(offset, 2.0f);
  }
}

TEST(OpacityByte, TruncatesAndStaysWithinAByte) {
  EXPECT_EQ(opacityByte(1.0f), 255);
  EXPECT_EQ(opacityByte(0.5f), 127);
  EXPECT_EQ(opacityByte(0.0f), 0);
  EXPECT_EQ(opacityByte(3.0f), 255);
  EXPECT_EQ(opacityByte(-1.0f), 0);
  EXPECT_EQ(opacityByte(std::nanf("")), 0);
}

}  // namespace
}  // namespace plenorium
