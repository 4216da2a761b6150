#include "pixel_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>

#include "composite.h"
#include "pixel_test_support.h"
#include "reduced_copies.h"
#include "row_sums.h"

namespace plenorium::host {
namespace {

using test::noise;
using test::paint;
using test::pixelAt;
using test::samePixels;
using test::scaleMatrix;
using test::translation;

const PixelDepth DEPTHS[] = {PixelDepth::U8, PixelDepth::U16, PixelDepth::F32};

PF_LRect whole(const World& w) {
  return {0, 0, w.width(), w.height()};
}

class PixelEngineTest : public ::testing::Test {
 protected:
  PixelEngine engine{2};
  CompositeSpec over;
};

TEST_F(PixelEngineTest, WholePixelTranslationsCopyExactlyAtEveryDepth) {
  for (PixelDepth depth : DEPTHS) {
    SCOPED_TRACE(static_cast<int>(depth));
    World src(depth, 37, 23);
    paint(src, noise);
    World dst(depth, 50, 40);
    engine.transformWorld(src, dst, translation(5, 9), true, over, whole(dst));
    for (A_long y = 0; y < 40; ++y) {
      for (A_long x = 0; x < 50; ++x) {
        const bool inside = x >= 5 && x < 42 && y >= 9 && y < 32;
        const Color4 got = pixelAt(dst, x, y);
        const Color4 want = inside ? pixelAt(src, x - 5, y - 9) : Color4{};
        ASSERT_EQ(got.a, want.a) << x << "," << y;
        ASSERT_EQ(got.r, want.r) << x << "," << y;
        ASSERT_EQ(got.g, want.g) << x << "," << y;
        ASSERT_EQ(got.b, want.b) << x << "," << y;
      }
    }
    // The identity, given as a destination-to-source matrix, copies exactly too.
    World same(depth, 37, 23);
    engine.transformWorld(src, same, translation(0, 0), false, over, whole(same));
    EXPECT_TRUE(samePixels(src, same));
  }
}

TEST_F(PixelEngineTest, FourQuarterTurnsGiveBackTheInput) {
  // Filtering is on premultiplied colour, so only pixels with some alpha keep their colour.
  const auto visibleNoise = [](int x, int y) {
    Color4 c = noise(x, y);
    c.a = std::max(c.a, 0.5f);
    return c;
  };
  World a(PixelDepth::U8, 16, 16);
  paint(a, visibleNoise);
  World b(PixelDepth::U8, 16, 16);
  World* from = &a;
  World* to = &b;
  PF_FloatMatrix turn{};
  turn.mat[0][1] = 1;  // (x, y) -> (16 - y, x)
  turn.mat[1][0] = -1;
  turn.mat[2][0] = 16;
  turn.mat[2][2] = 1;
  World original(PixelDepth::U8, 16, 16);
  paint(original, visibleNoise);
  for (int i = 0; i < 4; ++i) {
    engine.fill(*to, Color4{}, nullptr);
    engine.transformWorld(*from, *to, turn, true, over, whole(*to));
    std::swap(from, to);
  }
  EXPECT_TRUE(samePixels(*from, original));
}

TEST_F(PixelEngineTest, ASixteenfoldDownscaleOfAFineCheckerboardIsFlatGrey) {
  World checker(PixelDepth::U8, 1024, 512);
  paint(checker, [](int x, int y) {
    const float v = (x + y) % 2 ? 1.0f : 0.0f;
    return Color4{1, v, v, v};
  });
  World small(PixelDepth::U8, 64, 32);
  engine.transformWorld(checker, small, scaleMatrix(1.0 / 16, 1.0 / 16), true, over, whole(small));
  for (A_long y = 1; y < 31; ++y) {
    for (A_long x = 1; x < 63; ++x) {
      const Color4 c = pixelAt(small, x, y);
      ASSERT_NEAR(c.r, 0.5f, 2.0f / 255) << x << "," << y;
      ASSERT_EQ(c.a, 1.0f) << x << "," << y;
    }
  }
  // A non-power-of-two reduction with a rotation does not alias either.
  World rotated(PixelDepth::U8, 200, 200);
  PF_FloatMatrix m = scaleMatrix(0.11 * std::cos(0.3), 0.11 * std::cos(0.3));
  m.mat[0][1] = 0.11 * std::sin(0.3);
  m.mat[1][0] = -0.11 * std::sin(0.3);
  m.mat[2][0] = 40;
  engine.transformWorld(checker, rotated, m, true, over, whole(rotated));
  const Color4 centre = pixelAt(rotated, 80, 40);
  EXPECT_NEAR(centre.r, 0.5f, 4.0f / 255);
}

TEST_F(PixelEngineTest, AWorldFilledWholeWarpsLikeTheSamePixelsDrawnOneByOne) {
  // A filled world is known to hold one colour, and its reductions are made without reading it;
  // the result must be the one the pixels themselves give.
  PF_FloatMatrix m = scaleMatrix(0.2 * std::cos(0.4), 0.15 * std::cos(0.4));
  m.mat[0][1] = 0.2 * std::sin(0.4);
  m.mat[1][0] = -0.15 * std::sin(0.4);
  m.mat[2][0] = 30;
  m.mat[2][1] = 5;
  const Color4 teal{0.8f, 0.1f, 0.6f, 0.5f};
  for (PixelDepth depth : DEPTHS) {
    SCOPED_TRACE(static_cast<int>(depth));
    World filled(depth, 300, 200);
    engine.fill(filled, teal, nullptr);
    World drawn(depth, 300, 200);
    paint(drawn, [&](int, int) { return pixelAt(filled, 0, 0); });
    World fromFilled(depth, 120, 100);
    World fromDrawn(depth, 120, 100);
    engine.transformWorld(filled, fromFilled, m, true, over, whole(fromFilled));
    engine.transformWorld(drawn, fromDrawn, m, true, over, whole(fromDrawn));
    for (A_long y = 0; y < 100; ++y) {
      for (A_long x = 0; x < 120; ++x) {
        const Color4 a = pixelAt(fromFilled, x, y), b = pixelAt(fromDrawn, x, y);
        ASSERT_NEAR(a.a, b.a, 1e-5f) << x << "," << y;
        ASSERT_NEAR(a.g, b.g, 1e-5f) << x << "," << y;
      }
    }
    // Drawing into the filled world ends what was known: the next warp reads the pixels.
    paint(filled, [](int x, int) { return x < 150 ? Color4{1, 1, 0, 0} : Color4{1, 0, 0, 1}; });
    engine.transformWorld(filled, fromFilled, m, true, CompositeSpec{PF_Xfer_COPY}, whole(fromFilled));
    EXPECT_GT(pixelAt(fromFilled, 38, 24).r, 0.9f);  // where source (75, 100) lands
  }
}

TEST_F(PixelEngineTest, DownscalingKeepsTheMeanAndAConstantStaysConstant) {
  World src(PixelDepth::F32, 300, 200);
  paint(src, [](int x, int y) { return Color4{1, x / 300.0f, y / 200.0f, 0.25f}; });
  World dst(PixelDepth::F32, 60, 40);
  engine.transformWorld(src, dst, scaleMatrix(0.2, 0.2), true, over, whole(dst));
  double sum = 0;
  for (A_long y = 0; y < 40; ++y) {
    for (A_long x = 0; x < 60; ++x) {
      sum += pixelAt(dst, x, y).r;
      ASSERT_NEAR(pixelAt(dst, x, y).b, 0.25f, 1e-5);
    }
  }
  EXPECT_NEAR(sum / (60 * 40), 0.5, 0.01);
}

// A downscale is remembered by source and drawing once the same pixels are drawn the same way a
// second time; a moving picture (new pixels before every drawing) costs no more than a note, and
// must show its new pixels every time.
TEST_F(PixelEngineTest, ADownscaleIsKeptForAPictureDrawnAgainAndFollowsItsChanges) {
  World src(PixelDepth::U8, 512, 512);
  src.setSerial(7);
  World dst(PixelDepth::U8, 64, 64);
  const std::size_t keptRows = 64 * 64 * sizeof(Color4);
  auto drawAndCheck = [&](const Color4& c) {
    engine.fill(dst, Color4{}, nullptr);
    engine.transformWorld(src, dst, scaleMatrix(0.125, 0.125), true, over, whole(dst));
    const Color4 p = pixelAt(dst, 40, 21);
    EXPECT_EQ(p.a, 1.0f);
    EXPECT_EQ(p.r, c.r);
    EXPECT_EQ(p.g, c.g);
    EXPECT_EQ(p.b, c.b);
  };
  const Color4 colours[] = {{1, 1, 0, 0}, {1, 0, 0, 1}, {1, 0, 1, 0}};
  for (const Color4& c : colours) {
    paint(src, [&](int, int) { return c; });
    drawAndCheck(c);
    EXPECT_LT(engine.budget().used(), keptRows) << "a picture drawn once is not kept";
  }
  for (const Color4& c : colours) {
    paint(src, [&](int, int) { return c; });
    for (int again = 0; again < 3; ++again) drawAndCheck(c);
    EXPECT_GE(engine.budget().used(), keptRows) << "a picture drawn again unchanged is kept";
  }
}

TEST_F(PixelEngineTest, AHalfPixelShiftOfAHardEdgeGivesTheMidValue) {
  World src(PixelDepth::U8, 8, 4);
  paint(src, [](int x, int) { return x < 4 ? Color4{1, 0, 0, 0} : Color4{1, 1, 1, 1}; });
  World dst(PixelDepth::U8, 8, 4);
  engine.transformWorld(src, dst, translation(0.5, 0), true, over, whole(dst));
  EXPECT_NEAR(pixelAt(dst, 4, 1).r, 0.5f, 1.0f / 255);
  EXPECT_EQ(pixelAt(dst, 2, 1).r, 0.0f);
  EXPECT_EQ(pixelAt(dst, 6, 1).r, 1.0f);
  // The picture's own left edge is half covered: antialiased, not cut.
  EXPECT_NEAR(pixelAt(dst, 0, 1).a, 0.5f, 1.0f / 255);
}

// Edges by coverage: enlarged pictures whose edges fall on pixel boundaries tile without seams,
// at every depth and whether or not they are turned a little; a turned one is antialiased.
TEST_F(PixelEngineTest, EnlargedPicturesTileWithoutSeamsAndTurnedOnesAreAntialiased) {
  for (PixelDepth depth : DEPTHS) {
    SCOPED_TRACE(static_cast<int>(depth));
    World src(depth, 16, 12);
    paint(src, [](int x, int y) { return Color4{1, static_cast<float>(x) / 16, static_cast<float>(y) / 12, 0.5f}; });
    // A 2×2 wall of 2× enlargements with no gaps: opaque in every pixel, the edge pixels
    // keeping the edge texels' colour.
    World wall(depth, 64, 48);
    for (int cell = 0; cell < 4; ++cell) {
      PF_FloatMatrix placed = scaleMatrix(2, 2);
      placed.mat[2][0] = 32.0 * (cell % 2);
      placed.mat[2][1] = 24.0 * (cell / 2);
      engine.transformWorld(src, wall, placed, true, over, whole(wall));
    }
    for (A_long y = 0; y < 48; ++y) {
      for (A_long x = 0; x < 64; ++x) ASSERT_EQ(pixelAt(wall, x, y).a, 1.0f) << x << "," << y;
    }
    EXPECT_NEAR(pixelAt(wall, 31, 5).r, 15.0f / 16, 2.0f / 255);
    // 2.5× is not on pixel boundaries at the far edge: that pixel is partly covered.
    World odd(depth, 64, 48);
    engine.transformWorld(src, odd, scaleMatrix(2.5, 2.5), true, over, whole(odd));
    EXPECT_EQ(pixelAt(odd, 0, 0).a, 1.0f);
    EXPECT_EQ(pixelAt(odd, 39, 10).a, 1.0f);
    EXPECT_EQ(pixelAt(odd, 41, 10).a, 0.0f);
    // Turned by 10°: the inside is opaque, the edges have pixels between clear and opaque.
    World turned(depth, 64, 64);
    const double c = std::cos(10 * M_PI / 180), s = std::sin(10 * M_PI / 180);
    PF_FloatMatrix m = scaleMatrix(2 * c, 2 * c);
    m.mat[0][1] = 2 * s;
    m.mat[1][0] = -2 * s;
    m.mat[2][0] = 20;
    m.mat[2][1] = 10;
    engine.transformWorld(src, turned, m, true, over, whole(turned));
    int partial = 0;
    for (A_long y = 0; y < 64; ++y) {
      for (A_long x = 0; x < 64; ++x) {
        const float a = pixelAt(turned, x, y).a;
        if (a > 0.02f && a < 0.98f) ++partial;
      }
    }
    EXPECT_EQ(pixelAt(turned, 34, 26).a, 1.0f);
    EXPECT_GT(partial, 60) << "edges are antialiased, not cut";
  }
}

TEST_F(PixelEngineTest, OpacityMixesInStraightAlpha) {
  World src(PixelDepth::U8, 4, 4);
  paint(src, [](int, int) { return Color4{1, 1, 0, 0}; });
  World dst(PixelDepth::U8, 4, 4);
  paint(dst, [](int, int) { return Color4{1, 0, 0, 1}; });
  CompositeSpec half;
  half.opacity = 127.0f / 255.0f;
  engine.transformWorld(src, dst, translation(0, 0), true, half, whole(dst));
  const Color4 c = pixelAt(dst, 1, 1);
  EXPECT_EQ(c.a, 1.0f);
  EXPECT_NEAR(c.r, 127.0f / 255, 1.0f / 255);
  EXPECT_NEAR(c.b, 128.0f / 255, 1.0f / 255);

  // Over transparency the colour stays and only alpha drops.
  World clear(PixelDepth::U8, 4, 4);
  engine.transformWorld(src, clear, translation(0, 0), true, half, whole(clear));
  EXPECT_EQ(pixelAt(clear, 1, 1).r, 1.0f);
  EXPECT_NEAR(pixelAt(clear, 1, 1).a, 127.0f / 255, 0.5f / 255);
}

TEST_F(PixelEngineTest, FillsReachEveryPixelOfTheirRectangleAndNoOtherAtEveryDepth) {
  // Tall enough to be split between the threads; a colour and then a clear of part of it.
  const Color4 colour{0.5f, 0.25f, 1.0f, 0.75f};
  for (PixelDepth depth : DEPTHS) {
    SCOPED_TRACE(static_cast<int>(depth));
    World w(depth, 301, 700);
    paint(w, noise);
    World before(depth, 301, 700);
    paint(before, noise);
    const PF_LRect rect{7, 3, 290, 650};
    engine.fill(w, colour, &rect);
    World stored(depth, 1, 1);
    engine.fill(stored, colour, nullptr);
    const Color4 want = pixelAt(stored, 0, 0);
    const PF_LRect cleared{20, 100, 200, 600};
    engine.fill(w, Color4{}, &cleared);
    for (A_long y = 0; y < 700; ++y) {
      for (A_long x = 0; x < 301; ++x) {
        const Color4 got = pixelAt(w, x, y);
        const bool inFill = x >= 7 && x < 290 && y >= 3 && y < 650;
        const bool inClear = x >= 20 && x < 200 && y >= 100 && y < 600;
        const Color4 expected = inClear ? Color4{} : inFill ? want : pixelAt(before, x, y);
        ASSERT_TRUE(got.a == expected.a && got.r == expected.r && got.g == expected.g && got.b == expected.b)
            << x << "," << y;
      }
    }
  }
}

TEST_F(PixelEngineTest, WholeRowsAndOpaqueRunsAreCopiedAsPixelsDrawnOneByOneWouldBe) {
  // Rows that nothing was drawn on are copied whole; the same drawing onto a world whose every
  // row counts as drawn on goes pixel by pixel, and the two must agree.
  for (PixelDepth depth : DEPTHS) {
    SCOPED_TRACE(static_cast<int>(depth));
    World src(depth, 53, 31);
    paint(src, noise);
    World quick(depth, 70, 50), slow(depth, 70, 50);
    const PF_LRect middle{20, 15, 40, 25};
    engine.fill(quick, Color4{1.0f, 0.2f, 0.4f, 0.6f}, &middle);
    engine.fill(slow, Color4{1.0f, 0.2f, 0.4f, 0.6f}, &middle);
    slow.markAllWritten();
    engine.transferRect(src, PF_LRect{2, 1, 50, 30}, quick, 9, 7, over);
    engine.transferRect(src, PF_LRect{2, 1, 50, 30}, slow, 9, 7, over);
    EXPECT_TRUE(samePixels(quick, slow));

    // Runs of opaque pixels among translucent ones are copied whole: the same as drawing the
    // pixels one at a time.
    World runs(depth, 40, 3);
    paint(runs, [](int x, int y) {
      const Color4 n = noise(x, y);
      return x % 11 < 6 ? Color4{1.0f, n.r, n.g, n.b} : n;
    });
    World whole(depth, 40, 3), single(depth, 40, 3);
    engine.fill(whole, Color4{0.5f, 0.3f, 0.6f, 0.9f}, nullptr);
    engine.fill(single, Color4{0.5f, 0.3f, 0.6f, 0.9f}, nullptr);
    engine.transferRect(runs, PF_LRect{0, 0, 40, 3}, whole, 0, 0, over);
    for (A_long y = 0; y < 3; ++y) {
      for (A_long x = 0; x < 40; ++x) engine.transferRect(runs, PF_LRect{x, y, x + 1, y + 1}, single, x, y, over);
    }
    EXPECT_TRUE(samePixels(whole, single));
  }
}

TEST_F(PixelEngineTest, BehindKeepsOpaqueDestinationAndFillsTransparency) {
  World src(PixelDepth::U16, 4, 1);
  paint(src, [](int, int) { return Color4{1, 1, 1, 1}; });
  World dst(PixelDepth::U16, 4, 1);
  paint(dst, [](int x, int) { return x < 2 ? Color4{1, 0, 0, 1} : Color4{}; });
  CompositeSpec behind;
  behind.mode = PF_Xfer_BEHIND;
  engine.transformWorld(src, dst, translation(0, 0), true, behind, whole(dst));
  EXPECT_EQ(pixelAt(dst, 0, 0).r, 0.0f);
  EXPECT_EQ(pixelAt(dst, 0, 0).b, 1.0f);
  EXPECT_EQ(pixelAt(dst, 3, 0).r, 1.0f);
  EXPECT_EQ(pixelAt(dst, 3, 0).a, 1.0f);
  // 16-bit white is 32768.
  EXPECT_EQ(pixelRow<PixelDepth::U16>(dst, 0)[3].red, 32768);
}

TEST_F(PixelEngineTest, AMatteOfZeroKeepsTheDestination) {
  World src(PixelDepth::U8, 4, 1);
  paint(src, [](int, int) { return Color4{1, 1, 1, 1}; });
  World dst(PixelDepth::U8, 4, 1);
  paint(dst, [](int, int) { return Color4{1, 0, 1, 0}; });
  World matte(PixelDepth::U8, 4, 1);
  paint(matte, [](int x, int) { return Color4{x < 2 ? 0.0f : 1.0f, 0, 0, 0}; });
  CompositeSpec masked;
  masked.mask = &matte;
  engine.transferRect(src, whole(src), dst, 0, 0, masked);
  EXPECT_EQ(pixelAt(dst, 0, 0).g, 1.0f);
  EXPECT_EQ(pixelAt(dst, 1, 0).r, 0.0f);
  EXPECT_EQ(pixelAt(dst, 3, 0).r, 1.0f);
  EXPECT_EQ(pixelAt(dst, 3, 0).g, 1.0f);
}

TEST_F(PixelEngineTest, TransfersOfOneDepthCompositeAsThePixelByPixelRule) {
  // Copies that skip floating point for opaque, transparent and masked-out pixels must give what
  // the general straight-alpha composite gives, pixel for pixel: with and without a matte, at
  // full and partial opacity, onto transparent and partly covered destinations.
  const auto patchy = [](int x, int y) {
    Color4 c = noise(x, y);
    if ((x * 7 + y * 3) % 5 == 0 || x % 13 < 4) c.a = 1.0f;  // opaque pixels, some in runs
    if ((x + y * 11) % 7 == 0) c.a = 0.0f;
    return c;
  };
  for (PixelDepth depth : DEPTHS) {
    World src(depth, 40, 30);
    paint(src, patchy);
    World mask(PixelDepth::U8, 40, 30);
    paint(mask, [&](int x, int y) { return patchy(y, x); });
    for (const float opacity : {1.0f, 0.6f}) {
      for (const World* matte : {static_cast<const World*>(nullptr), static_cast<const World*>(&mask)}) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(depth) << " opacity " << opacity << " mask "
                                        << (matte != nullptr));
        CompositeSpec spec;
        spec.opacity = opacity;
        spec.mask = matte;
        spec.maskOffset = {3, 2};
        World fast(depth, 40, 30);
        paint(fast, [&](int x, int y) { return x < 20 ? Color4{} : noise(y, x); });
        World rule(depth, 40, 30);
        paint(rule, [&](int x, int y) { return x < 20 ? Color4{} : noise(y, x); });
        engine.transferRect(src, PF_LRect{0, 0, 40, 30}, fast, 0, 0, spec);
        std::vector<Color4> row(40);
        std::vector<float> scratch(40);
        for (A_long y = 0; y < 30; ++y) {
          for (A_long x = 0; x < 40; ++x) row[static_cast<std::size_t>(x)] = pixelAt(src, x, y);
          compositeStraightRow(rule, y, 0, row, spec, scratch);
        }
        EXPECT_TRUE(samePixels(fast, rule));
      }
    }
  }
}

TEST_F(PixelEngineTest, NothingIsWrittenOutsideTheDestinationRectangle) {
  for (PixelDepth depth : DEPTHS) {
    World src(depth, 64, 64);
    paint(src, [](int, int) { return Color4{1, 1, 1, 1}; });
    World dst(depth, 40, 40);
    paint(dst, [](int, int) { return Color4{1, 0, 0, 0}; });
    PF_FloatMatrix m = scaleMatrix(3.0, 3.0);
    m.mat[0][1] = 0.5;
    m.mat[2][0] = -20;
    const PF_LRect rect{10, 12, 30, 25};
    engine.transformWorld(src, dst, m, true, over, rect);
    for (A_long y = 0; y < 40; ++y) {
      for (A_long x = 0; x < 40; ++x) {
        const bool inside = x >= 10 && x < 30 && y >= 12 && y < 25;
        ASSERT_EQ(pixelAt(dst, x, y).r, inside ? 1.0f : 0.0f) << x << "," << y;
      }
    }
    // A rectangle reaching past the world is clipped to it.
    engine.transformWorld(src, dst, m, true, over, PF_LRect{-100, -100, 1000, 1000});
    engine.transferRect(src, whole(src), dst, 30, 30, over);
    EXPECT_EQ(pixelAt(dst, 39, 39).r, 1.0f);
  }
}

TEST_F(PixelEngineTest, ResultsAreIdenticalForOneAndTwoThreads) {
  World src(PixelDepth::U8, 640, 360);
  paint(src, noise);
  PF_FloatMatrix m = scaleMatrix(0.23 * std::cos(0.4), 0.31 * std::cos(0.4));
  m.mat[0][1] = 0.23 * std::sin(0.4);
  m.mat[1][0] = -0.31 * std::sin(0.4);
  m.mat[2][0] = 70.25;
  m.mat[2][1] = 10.5;
  PixelEngine one(1);
  World a(PixelDepth::U8, 240, 200);
  World b(PixelDepth::U8, 240, 200);
  CompositeSpec spec;
  spec.opacity = 0.8f;
  one.transformWorld(src, a, m, true, spec, whole(a));
  engine.transformWorld(src, b, m, true, spec, whole(b));
  EXPECT_TRUE(samePixels(a, b));

  // A whole picture into a short screen is shared among the threads by columns, not rows. Part of
  // the picture is opaque, part not, so that both ways of summing 8-bit pixels are met.
  World wide(PixelDepth::U8, 1280, 720);
  paint(wide, [](int x, int y) {
    return x < 600 ? Color4{1, noise(x, y).r, noise(x, y).g, noise(x, y).b} : noise(x, y);
  });
  World c(PixelDepth::U8, 40, 9);
  World d(PixelDepth::U8, 40, 9);
  one.transformWorld(wide, c, scaleMatrix(40.0 / 1280, 9.0 / 720), true, spec, whole(c));
  engine.transformWorld(wide, d, scaleMatrix(40.0 / 1280, 9.0 / 720), true, spec, whole(d));
  EXPECT_TRUE(samePixels(c, d));
}

TEST_F(PixelEngineTest, ClearingSweepsOnlyWhatWasTouched) {
  World w(PixelDepth::F32, 100, 100);
  EXPECT_TRUE(isEmpty(w.touched()));
  engine.fill(w, Color4{1, 1, 1, 1}, nullptr);
  EXPECT_EQ(w.touched().right, 100);
  engine.fill(w, Color4{}, nullptr);
  EXPECT_TRUE(isEmpty(w.touched()));
  EXPECT_EQ(pixelAt(w, 50, 50).a, 0.0f);

  World src(PixelDepth::F32, 4, 4);
  paint(src, [](int, int) { return Color4{1, 1, 1, 1}; });
  engine.transformWorld(src, w, translation(10, 20), true, over, whole(w));
  EXPECT_EQ(w.touched().left, 10);
  EXPECT_EQ(w.touched().right, 14);
  EXPECT_EQ(w.touched().bottom, 24);
  engine.fill(w, Color4{}, nullptr);
  EXPECT_EQ(pixelAt(w, 11, 21).a, 0.0f);
}

}  // namespace
}  // namespace plenorium::host

namespace plenorium::host {
namespace {

// The transparent inside of a frame is found row by row, so that turned samples there read no texels.
TEST(ReducedCopyClearRuns, EachRowKeepsItsLongestTransparentRun) {
  ReducedCopy copy{6, 3, std::vector<Color4>(18, Color4{1, 1, 1, 1}), {}};
  auto clear = [&](A_long x, A_long y) { copy.texels[static_cast<std::size_t>(y * 6 + x)] = Color4{}; };
  clear(0, 0);  // row 0: runs [0, 1) and [2, 5)
  for (A_long x = 2; x < 5; ++x) clear(x, 0);
  for (A_long x = 3; x < 6; ++x) clear(x, 1);  // row 1: a run to the end, [3, 6)
  findClearRuns(copy);
  EXPECT_EQ(copy.clearRuns[0].begin, 2);
  EXPECT_EQ(copy.clearRuns[0].end, 5);
  EXPECT_EQ(copy.clearRuns[1].begin, 3);
  EXPECT_EQ(copy.clearRuns[1].end, 6);
  EXPECT_EQ(copy.clearRuns[2].end - copy.clearRuns[2].begin, 0);  // row 2 is opaque
  EXPECT_TRUE(copy.clearQuad(3, 0));                              // texels 3 and 4 of rows 0 and 1
  EXPECT_FALSE(copy.clearQuad(2, 0));                             // texel 2 of row 1 is opaque
  EXPECT_FALSE(copy.clearQuad(4, 0));                             // texel 5 of row 0 is opaque
  EXPECT_FALSE(copy.clearQuad(3, 1));                             // row 2 is opaque
}

}  // namespace
}  // namespace plenorium::host

namespace plenorium::host {
namespace {

// A matte row read through an offset: pixels beyond the matte's sides count as 0 (1 inverted).
TEST(MatteRow, IsReadThroughItsOffsetAndIsZeroBeyondItsSides) {
  World matte(PixelDepth::U8, 4, 2);
  paint(matte, [](int x, int) { return Color4{static_cast<float>(x + 1) / 4.0f, 0, 0, 0}; });
  CompositeSpec spec;
  spec.mask = &matte;
  std::vector<float> out(8);
  auto row = [&](A_long x0, PF_Point offset, A_long flags) {
    spec.maskOffset = offset;
    spec.maskFlags = flags;
    maskRow(spec, 1, x0, out);
    std::vector<int> quarters;
    for (float v : out) quarters.push_back(static_cast<int>(std::lround(v * 4)));
    return quarters;
  };
  EXPECT_EQ(row(0, {2, 0}, 0), (std::vector<int>{0, 0, 1, 2, 3, 4, 0, 0}));
  EXPECT_EQ(row(-3, {-1, 0}, 0), (std::vector<int>{0, 0, 1, 2, 3, 4, 0, 0}));
  EXPECT_EQ(row(5, {0, 0}, 0), (std::vector<int>(8, 0)));
  EXPECT_EQ(row(0, {2, 0}, PF_MaskFlag_INVERTED), (std::vector<int>{4, 4, 3, 2, 1, 0, 4, 4}));
  EXPECT_EQ(row(0, {0, 5}, PF_MaskFlag_INVERTED), (std::vector<int>(8, 4)));  // row 1 is above the matte
}

// 8-bit alphas are read several at a time: every alpha, wherever a row starts and however many
// pixels are left after the last whole group, reads as its value times 1/255, as one at a time.
TEST(MatteRow, EveryEightBitAlphaReadsAsItsValueOver255) {
  World matte(PixelDepth::U8, 300, 2);
  for (A_long y = 0; y < 2; ++y) {
    for (A_long x = 0; x < 300; ++x) {
      pixelRow<PixelDepth::U8>(matte, y)[x] =
          PF_Pixel8{static_cast<A_u_char>((x * 7 + y * 29) % 256), static_cast<A_u_char>(x % 256), 17, 200};
    }
  }
  CompositeSpec spec;
  spec.mask = &matte;
  for (const A_long x0 : {0, 1, 2, 3, 5}) {
    for (const std::size_t count : {std::size_t{1}, std::size_t{4}, std::size_t{7}, std::size_t{290}}) {
      std::vector<float> out(count, -1.0f);
      maskRow(spec, 1, x0, out);
      for (std::size_t i = 0; i < count; ++i) {
        const A_u_char alpha = pixelRow<PixelDepth::U8>(matte, 1)[x0 + static_cast<A_long>(i)].alpha;
        ASSERT_EQ(out[i], static_cast<float>(alpha) * (1.0f / 255.0f)) << "from " << x0 << ", pixel " << i;
      }
    }
  }
}

}  // namespace
}  // namespace plenorium::host

namespace plenorium::host {
namespace {

// Runs of opaque source pixels are written several at a time: every pixel must still get its own
// colour, whatever the run's length and where it starts, and pixels around a run must be
// composited or kept as the one-pixel rule says.
TEST(CompositeRow, OpaqueRunsPartialAndClearPixelsEachGetTheirOwnResult) {
  constexpr int N = 27;
  World dst(PixelDepth::U8, N, 1);
  paint(dst, [](int x, int) { return x % 3 == 0 ? Color4{} : Color4{0.6f, 0.2f, 0.9f, 0.4f}; });
  std::vector<Color4> straight(N), premultiplied(N);
  for (int x = 0; x < N; ++x) {
    const float a = (x == 9 || x == 17 || x == 22) ? 0.5f : (x == 10 || x == 23) ? 0.0f : 1.0f;
    straight[x] = {a, (x * 37 % 256) / 255.0f, (x * 91 % 256) / 255.0f, (x * 13 % 256) / 255.0f};
    premultiplied[x] = premultiply(straight[x]);
  }
  std::vector<float> scratch(N);
  compositePremultipliedRow(dst, 0, 0, premultiplied, CompositeSpec{}, scratch);
  for (int x = 0; x < N; ++x) {
    SCOPED_TRACE(x);
    const Color4 got = pixelAt(dst, x, 0);
    const Color4 s = straight[x];
    const Color4 d = x % 3 == 0 ? Color4{} : Color4{0.6f, 0.2f, 0.9f, 0.4f};
    Color4 want = d;
    if (s.a > 0) {
      const double a = s.a + d.a * (1 - s.a);
      auto mix = [&](float sc, float dc) { return static_cast<float>((sc * s.a + dc * d.a * (1 - s.a)) / a); };
      want = {static_cast<float>(a), mix(s.r, d.r), mix(s.g, d.g), mix(s.b, d.b)};
    }
    for (const auto& [g, w] :
         {std::pair{got.a, want.a}, std::pair{got.r, want.r}, std::pair{got.g, want.g}, std::pair{got.b, want.b}}) {
      EXPECT_NEAR(g, w, 1.01f / 255);
    }
  }
}

#if PLENORIUM_AVX512_PATHS
// Opaque runs written sixteen at a time give each pixel the bytes it gets on its own: alpha at 1 and
// just under it, colour above alpha (clamped), shown at full opacity and at an opacity that keeps
// the pixels opaque, with and without a matte; a run ends at the first group holding a pixel that
// is translucent or half hidden by the matte.
TEST(CompositeRow, WideOpaqueRunsGiveTheOnePixelBytes) {
  if (!processorHasAvx512()) GTEST_SKIP() << "no AVX-512 here";
  constexpr int N = 80;
  std::mt19937 random(7);
  std::uniform_real_distribution<float> colour(0.0f, 1.02f), nearOne(1.0f - 1.0f / (1 << 21), 1.0f);
  World mask(PixelDepth::U8, N, 1);
  paint(mask, [](int x, int) { return Color4{x == 40 ? 0.5f : 1.0f, 0, 0, 0}; });
  for (const bool matted : {false, true}) {
    for (const float opacity : {1.0f, 1.0f - 1.0f / (1 << 22)}) {
      std::vector<Color4> source(N);
      for (Color4& c : source) {
        const float a = random() % 3 == 0 ? nearOne(random) : 1.0f;
        c = {a, colour(random) * a, colour(random) * a, colour(random) * a};
      }
      source[70].a = 0.5f;  // in the fifth group of sixteen
      CompositeSpec spec;
      spec.opacity = opacity;
      if (matted) spec.mask = &mask;
      std::vector<float> matte(N);
      maskRow(spec, 0, 0, matte);
      const std::size_t run = matted ? 32 : 64;
      std::vector<PF_Pixel8> wide(N, PF_Pixel8{1, 2, 3, 4});
      EXPECT_EQ(storeOpaqueRun8Avx512(wide.data(), source.data(), N, opacity, matted ? matte.data() : nullptr), run);
      World one(PixelDepth::U8, N, 1);
      std::vector<float> scratch(1);
      for (int x = 0; x < static_cast<int>(run); ++x) {
        compositePremultipliedRow(one, 0, x, std::span(&source[x], 1), spec, scratch);
        const PF_Pixel8 want = pixelRow<PixelDepth::U8>(one, 0)[x];
        EXPECT_TRUE(std::memcmp(&wide[x], &want, sizeof want) == 0)
            << "pixel " << x << ", opacity " << opacity << (matted ? ", matted" : "");
      }
      EXPECT_EQ(wide[run].alpha, 1) << "written past the run";
    }
  }
}
#endif

}  // namespace
}  // namespace plenorium::host

namespace plenorium::host {
namespace {

// The process's mapped size in pages, from /proc/self/statm.
long mappedPages() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  statm >> pages;
  return pages;
}

// Worlds large enough to be mapped whole arrive transparent, aligned and writable to their room
// past the last row, at every depth, and give their whole mapping back: a thousand made and
// dropped leave the process no larger than one would.
TEST(WorldMemory, LargeWorldsAreClearWritableAndGivenBack) {
  for (const PixelDepth depth : {PixelDepth::U8, PixelDepth::U16, PixelDepth::F32}) {
    World world(depth, 1000, 700);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(world.data()) % 64, 0u);
    const std::size_t bytes = static_cast<std::size_t>(world.rowBytes()) * 700;
    EXPECT_EQ(std::count(world.data(), world.data() + bytes, 0), static_cast<std::ptrdiff_t>(bytes));
    std::memset(world.data(), 0xAB, bytes + 64);
  }
  { World warmUp(PixelDepth::U8, 1920, 1080); }
  const long before = mappedPages();
  for (int i = 0; i < 1000; ++i) {
    World world(PixelDepth::U8, 1920, 1080);
    world.row(1079)[0] = 1;
  }
  EXPECT_LE(mappedPages(), before + 1024) << "about 8 GB made and dropped left its mappings behind";
}

}  // namespace
}  // namespace plenorium::host
