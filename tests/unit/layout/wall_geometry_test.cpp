#include "wall_geometry.h"

#include <gtest/gtest.h>

#include "layout_test_support.h"

namespace plenorium {
namespace {

class WallGeometry : public ::testing::Test {
 protected:
  WallGrid layout(A_long originX = 0, A_long originY = 0) {
    return wallGridFor(readWallControls(params), in, originX, originY);
  }

  WallParams params = [] {
    WallParams p = test::defaultWallParams();
    test::setWallPosition(p, 960, 540);
    return p;
  }();
  PF_InData in = test::defaultInData();
};

TEST_F(WallGeometry, TheDefaultWallIs800By360CentredOnTheLayer) {
  const WallGrid l = layout();
  EXPECT_EQ(l.screenWidthPx, 160.0f);
  EXPECT_EQ(l.screenHeightPx, 90.0f);
  const ScreenRect first = screenRect(l, 0);
  const ScreenRect topRight = screenRect(l, 4);
  const ScreenRect secondRow = screenRect(l, 5);
  const ScreenRect last = screenRect(l, 19);
  EXPECT_EQ(first.x0, 560.0f);
  EXPECT_EQ(first.y0, 360.0f);
  EXPECT_EQ(topRight.x0, 1200.0f);
  EXPECT_EQ(topRight.y0, 360.0f);
  EXPECT_EQ(secondRow.x0, 560.0f);
  EXPECT_EQ(secondRow.y0, 450.0f);
  EXPECT_EQ(last.x0 + l.screenWidthPx, 1360.0f);
  EXPECT_EQ(last.y0 + l.screenHeightPx, 720.0f);
  EXPECT_EQ(first.cx, 640.0f);
  EXPECT_EQ(first.cy, 405.0f);
}

TEST_F(WallGeometry, AlignLeftWithGapsPutsGapsOnlyBetweenScreens) {
  params[PARAM_ALIGN_H].u.pd.value = 1;
  params[PARAM_ALIGN_V].u.pd.value = 1;
  params[PARAM_GAP_X].u.fs_d.value = 10;
  params[PARAM_COLUMNS].u.fs_d.value = 3;
  const WallGrid l = layout();
  EXPECT_EQ(screenRect(l, 0).x0, 960.0f);
  EXPECT_EQ(screenRect(l, 1).x0, 960.0f + 170.0f);
  EXPECT_EQ(screenRect(l, 2).x0, 960.0f + 340.0f);
  EXPECT_EQ(screenRect(l, 2).x0 + l.screenWidthPx - 960.0f, 3 * 160.0f + 20.0f);
  EXPECT_EQ(screenRect(l, 0).y0, 540.0f);

  params[PARAM_ALIGN_H].u.pd.value = 3;
  params[PARAM_ALIGN_V].u.pd.value = 3;
  const WallGrid right = layout();
  EXPECT_EQ(screenRect(right, 2).x0 + right.screenWidthPx, 960.0f);
  EXPECT_EQ(screenRect(right, 11).y0 + right.screenHeightPx, 540.0f);
}

TEST_F(WallGeometry, HalfResolutionHalvesSizesAndGapsButUsesTheAnchorAsGiven) {
  params[PARAM_GAP_X].u.fs_d.value = 10;
  params[PARAM_GAP_Y].u.fs_d.value = 6;
  test::setWallPosition(params, 480, 270);
  in.downsample_x = in.downsample_y = PF_RationalScale{1, 2};
  const WallGrid l = layout();
  EXPECT_EQ(l.screenWidthPx, 80.0f);
  EXPECT_EQ(l.screenHeightPx, 45.0f);
  EXPECT_EQ(l.gapXPx, 5.0f);
  EXPECT_EQ(l.gapYPx, 3.0f);
  EXPECT_EQ(l.wallX, 480.0f);
  EXPECT_EQ(l.aspect, 1.0f);
}

TEST_F(WallGeometry, PixelAspectTwoHalvesOnlyHorizontalSizes) {
  in.pixel_aspect_ratio = PF_RationalScale{2, 1};
  const WallGrid l = layout();
  EXPECT_EQ(l.screenWidthPx, 80.0f);
  EXPECT_EQ(l.screenHeightPx, 90.0f);
  EXPECT_EQ(l.aspect, 0.5f);
}

TEST_F(WallGeometry, TheAnchorIsTheLayerPositionLessTheInputOrigin) {
  const WallGrid l = layout(-100, 40);
  EXPECT_EQ(l.wallX, 1060.0f);
  EXPECT_EQ(l.wallY, 500.0f);
}

TEST_F(WallGeometry, TilesAreWholePixelsWithAOnePixelMarginWhenPlaced) {
  params[PARAM_SCREEN_WIDTH].u.fs_d.value = 100.3;
  const WallGrid l = layout();
  const TileSize tile = tileSize(l);
  EXPECT_EQ(tile.width, 101);
  EXPECT_EQ(tile.height, 90);
  const PF_Rect r = neutralDestRect(ScreenRect{10.5f, -3.25f, 0, 0}, tile);
  EXPECT_EQ(r.left, 9);
  EXPECT_EQ(r.top, -5);
  EXPECT_EQ(r.right, 9 + 101 + 2);
  EXPECT_EQ(r.bottom, -5 + 90 + 2);
}

TEST_F(WallGeometry, ZeroOrHugeScalesGiveEmptyOrSaturatedSizesNotOverflow) {
  params[PARAM_GLOBAL_SCALE].u.fs_d.value = 0;
  EXPECT_EQ(layout().screenWidthPx, 0.0f);
  EXPECT_EQ(tileSize(layout()).width, 0);

  params[PARAM_GLOBAL_SCALE].u.fs_d.value = 1e36;
  const WallGrid huge = layout();
  const TileSize tile = tileSize(huge);
  EXPECT_GT(tile.width, 0);
  const PF_Rect r = neutralDestRect(screenRect(huge, 0), tile);
  EXPECT_LE(r.left, r.right);
  EXPECT_EQ(saturatingPixel(std::nan("")), 0);
  EXPECT_LT(saturatingPixel(-1e300), 0);
}

}  // namespace
}  // namespace plenorium
