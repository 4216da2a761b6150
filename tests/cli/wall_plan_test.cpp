// The wall command's layout: the clips' shape kept, a grid that covers the frame without showing
// a clip three times, gaps that scale with the frame, and the frame shared out when asked.
#include "wall_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host_error.h"

namespace {

using plenorium::cli::planWall;
using plenorium::cli::WallShape;

constexpr double WIDE = 16.0 / 9.0;

TEST(WallPlan, SixWideClipsFillAFullHdFrameWithScreensOfTheirShapeAndThinGaps) {
  const auto plan = planWall(WallShape{}, std::vector<double>(6, WIDE));
  EXPECT_EQ(plan.columns, 3);
  EXPECT_EQ(plan.rows, 3);
  EXPECT_DOUBLE_EQ(plan.gap, 10);
  EXPECT_NEAR(plan.screenAspect(), WIDE, 1e-9);
  EXPECT_LE(plan.background(1920, 1080), 0.12);
  // The wall fits the frame: the gaps between screens, none outside.
  EXPECT_LE(plan.columns * plan.screenWidth + (plan.columns - 1) * plan.gap, 1920 + 1e-6);
  EXPECT_NEAR(plan.rows * plan.screenHeight + (plan.rows - 1) * plan.gap, 1080, 1e-6);
}

TEST(WallPlan, AskedGridsKeepTheShapeAndSharingOutTheFrameTakesTheCells) {
  WallShape shape;
  shape.grid = {4, 2};
  const auto four = planWall(shape, std::vector<double>(6, WIDE));
  EXPECT_NEAR(four.screenAspect(), WIDE, 1e-9) << "four 16:9 screens per row";
  EXPECT_DOUBLE_EQ(four.screenWidth, (1920 - 3 * 10) / 4.0);

  shape.gap = 0;
  shape.fillFrame = true;
  const auto cells = planWall(shape, std::vector<double>(6, WIDE));
  EXPECT_DOUBLE_EQ(cells.screenWidth, 480);
  EXPECT_DOUBLE_EQ(cells.screenHeight, 540);
  shape.grid.reset();
  const auto square = planWall(shape, std::vector<double>(6, WIDE));
  EXPECT_EQ(square.columns, 3) << "as square as six clips allow, as before";
  EXPECT_EQ(square.rows, 2);

  shape.fillFrame = false;
  shape.screenAspect = 1.0;
  const auto squares = planWall(shape, std::vector<double>(6, WIDE));
  EXPECT_NEAR(squares.screenWidth, squares.screenHeight, 1e-9);
}

TEST(WallPlan, NoClipShowsThreeTimesAndEveryClipHasAScreen) {
  for (int count = 1; count <= 40; ++count) {
    for (const double aspect : {WIDE, 9.0 / 16.0, 1.0, 4.0 / 3.0, 2.39}) {
      const auto plan = planWall(WallShape{}, std::vector<double>(static_cast<std::size_t>(count), aspect));
      EXPECT_GE(plan.screens(), count) << count << " clips of " << aspect;
      EXPECT_LT(plan.screens(), std::max(2, 2 * count)) << count << " clips of " << aspect;
      EXPECT_GT(plan.screenWidth, 0);
    }
  }
  // Portrait clips stand side by side rather than in a column.
  const auto portraits = planWall(WallShape{}, std::vector<double>(6, 9.0 / 16.0));
  EXPECT_GT(portraits.columns, portraits.rows);
}

TEST(WallPlan, TheCommonShapeIsTheMostFrequentAndGapsCanLeaveNoRoom) {
  using plenorium::cli::commonAspect;
  EXPECT_NEAR(commonAspect({1.0, WIDE, 4.0 / 3, 1920.0 / 1080, 1280.0 / 720}), WIDE, 1e-9);
  EXPECT_DOUBLE_EQ(commonAspect({1.0, WIDE}), 1.0) << "of equally common shapes, the first clip's";
  EXPECT_NEAR(commonAspect({854.0 / 480, WIDE, 4.0 / 3}), 854.0 / 480, 1e-9) << "854x480 is 16:9 too";
  EXPECT_DOUBLE_EQ(plenorium::cli::defaultGap(3840), 19);
  EXPECT_DOUBLE_EQ(plenorium::cli::defaultGap(100), 1) << "a seam even on small frames";

  WallShape tight;
  tight.width = 64;
  tight.height = 36;
  tight.gap = 40;
  tight.grid = {3, 1};
  EXPECT_THROW(planWall(tight, {WIDE}), plenorium::host::HostError);
}

}  // namespace
