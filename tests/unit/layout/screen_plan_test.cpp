// Screens planned before they are drawn: which way each is drawn, and the fit that places a
// source alike in a group's tile and in a framed screen, also for pictures of odd sizes.
#include "screen_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "layout_test_support.h"

namespace plenorium {
namespace {

using test::apply;
using test::Point;

class ScreenPlanning : public ::testing::Test {
 protected:
  void SetUp() override {
    test::setWallPosition(params, 960, 540);
    relayout();
  }
  void relayout() {
    layout.controls = readWallControls(params);
    layout.grid = wallGridFor(layout.controls, in, 0, 0);
  }
  ScreenPlan plan(PictureSize source, bool framed, bool hasTile = false) {
    ScreenRequest r;
    r.slot = &slot;
    r.rect = screenRect(layout.grid, 7);
    r.source = source;
    r.hasTile = hasTile;
    if (framed) r.frame = PictureSize{1920, 1080};
    r.output = PictureSize{1920, 1080};
    r.currentTime = 100;
    r.timeScale = 100;
    return planScreen(layout, tileSize(layout.grid), r);
  }
  Point screenCentre() const {
    const ScreenRect r = screenRect(layout.grid, 7);
    return {r.cx, r.cy};
  }

  WallParams params = test::defaultWallParams();
  PF_InData in = test::defaultInData();
  WallLayout layout;
  ScreenSlot slot;
};

TEST_F(ScreenPlanning, EachScreenIsDrawnOneWayOrNotAtAll) {
  EXPECT_EQ(plan({640, 360}, false, true).drawing, ScreenDrawing::FROM_TILE) << "neutral, with its group's tile";
  EXPECT_EQ(plan({640, 360}, false).drawing, ScreenDrawing::DIRECT) << "neutral, alone in its group";
  EXPECT_EQ(plan({0, 0}, false).drawing, ScreenDrawing::NONE) << "no picture";
  slot.controls.isNeutral = 0;
  EXPECT_EQ(plan({640, 360}, false, true).drawing, ScreenDrawing::DIRECT) << "turned screens are not copied";
  EXPECT_EQ(plan({640, 360}, true, true).drawing, ScreenDrawing::FRAMED);
  slot.controls.opacity = 0.5f;
  EXPECT_EQ(plan({640, 360}, true).opacity, 127);
  slot.finalRotateY = 90;
  slot.controls.scaleX = 0;
  EXPECT_EQ(plan({640, 360}, true).drawing, ScreenDrawing::NONE) << "scaled to nothing";
  slot.controls.scaleX = 1;
  slot.finalRotateY = 0;
  slot.timeOffset = 1.5f;  // the current time is 1 s
  EXPECT_EQ(plan({640, 360}, true).drawing, ScreenDrawing::NONE) << "before its delay";
}

TEST_F(ScreenPlanning, ANeutralFitCentresEvenAndOddPicturesAlikeInTilesAndFramedScreens) {
  slot.controls.isNeutral = 0;
  params[PARAM_FRAME_IMAGE].u.pd.value = FRAME_FLAT_1;
  relayout();
  const Point centre = screenCentre();
  for (const PictureSize source : {PictureSize{640, 360}, PictureSize{641, 361}, PictureSize{99, 47}}) {
    SCOPED_TRACE(std::to_string(source.width) + "x" + std::to_string(source.height));
    const Point framed = apply(plan(source, true).content, source.width / 2.0, source.height / 2.0);
    EXPECT_NEAR(framed.x, centre.x, 1e-3);
    EXPECT_NEAR(framed.y, centre.y, 1e-3);
    // Its corners land on the screen's, as a direct screen's do.
    const Point corner = apply(plan(source, true).content, source.width, source.height);
    const Point direct = apply(plan(source, false).content, source.width, source.height);
    EXPECT_NEAR(corner.x, direct.x, 1e-3);
    EXPECT_NEAR(corner.y, direct.y, 1e-3);
    const TilePlan tile = planTile(layout, tileSize(layout.grid), source, PictureSize{1920, 1080});
    const Point inTile = apply(tile.content, source.width / 2.0, source.height / 2.0);
    EXPECT_NEAR(inTile.x, layout.grid.screenWidthPx / 2.0, 1e-3);
    EXPECT_NEAR(inTile.y, layout.grid.screenHeightPx / 2.0, 1e-3);
  }
}

TEST_F(ScreenPlanning, TheFitMovesAndScalesThePictureByTheSameShareOfTheScreenEitherWay) {
  slot.controls.isNeutral = 0;
  params[PARAM_FRAME_IMAGE].u.pd.value = FRAME_FLAT_1;
  params[PARAM_FIT_OFFSET_X].u.fs_d.value = 10;
  params[PARAM_FIT_SCALE_Y].u.fs_d.value = 80;
  relayout();
  const PictureSize source{641, 361};
  const TilePlan tile = planTile(layout, tileSize(layout.grid), source, std::nullopt);
  const Point inTile = apply(tile.content, source.width / 2.0, 0);
  const double w = layout.grid.screenWidthPx, h = layout.grid.screenHeightPx;
  EXPECT_NEAR(inTile.x, 0.6 * w, 1e-3) << "a tenth of the screen to the right";
  EXPECT_NEAR(inTile.y, 0.1 * h, 1e-3) << "80 % of the height, centred";
  const Point framed = apply(plan(source, true).content, source.width / 2.0, 0);
  const ScreenRect r = screenRect(layout.grid, 7);
  EXPECT_NEAR(framed.x - r.x0, 0.6 * w, 1e-3);
  EXPECT_NEAR(framed.y - r.y0, 0.1 * h, 1e-3);
}

}  // namespace
}  // namespace plenorium
