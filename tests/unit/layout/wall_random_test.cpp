#include "wall_random.h"

#include <gtest/gtest.h>

#include <vector>

#include "layout_test_support.h"
#include "screen_transform.h"
#include "wall_layout.h"

namespace plenorium {
namespace {

std::vector<int> draws(std::int32_t seed, int n) {
  WallRandom r(seed);
  std::vector<int> out;
  for (int i = 0; i < n; ++i) out.push_back(r.draw());
  return out;
}

TEST(WallRandom, ReproducesTheReferenceDraws) {
  EXPECT_EQ(draws(1, 5), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
  EXPECT_EQ(draws(2, 4), (std::vector<int>{45, 29216, 24198, 17795}));
}

TEST(WallRandom, SkipDrawsDropsTheFirstDrawModuloTenMore) {
  WallRandom skipped(1);
  skipDraws(skipped);  // draws 41, then 41 % 10 = 1 more
  EXPECT_EQ(skipped.draw(), 6334);
}

TEST(WallRandom, UnitValueSpansZeroToOneInSinglePrecision) {
  EXPECT_EQ(unitValue(0), 0.0f);
  EXPECT_EQ(unitValue(32767), 1.0f);
  EXPECT_LT(unitValue(32766), 1.0f);
  EXPECT_EQ(static_cast<int>(unitValue(513) * 32767.0f), 512) << "the single-precision round trip loses one";
}

class OrderStream : public ::testing::Test {
 protected:
  WallLayout compute(int sourceCount) {
    WallLayout layout;
    layout.sourceCount = sourceCount;
    layout.controls = readWallControls(params);
    layout.groups = sourceGroupsFor(layout.controls, sourceCount, in);
    return layout;
  }
  // Source and time of every screen, read back from the groups.
  static std::vector<std::pair<int, float>> perScreen(const WallLayout& layout) {
    std::vector<std::pair<int, float>> out(static_cast<std::size_t>(layout.screenCount()));
    for (const SourceGroup& g : layout.groups) {
      for (int s : g.screens) out[static_cast<std::size_t>(s)] = {g.sourceIndex, g.sourceTime};
    }
    return out;
  }

  WallParams params = test::defaultWallParams();
  PF_InData in = test::defaultInData();
};

TEST_F(OrderStream, SeedZeroWithThreeSourcesInRandomOrderGivesTheReferenceWall) {
  params[PARAM_RANDOM_ORDER].u.bd.value = 1;
  const auto screens = perScreen(compute(3));
  const std::vector<int> expected = {1, 2, 0, 1, 1, 2, 2, 2, 2, 1, 2, 1, 0, 2, 0, 1, 1, 1, 2, 1};
  ASSERT_EQ(screens.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(screens[i].first, expected[i]) << "screen " << i;
}

TEST_F(OrderStream, SourceTimeTwoSecondsAt25FpsGivesTheReferenceTimes) {
  params[PARAM_RANDOM_ORDER].u.bd.value = 1;
  params[PARAM_RANDOM_TIME].u.fs_d.value = 2.0;
  const auto screens = perScreen(compute(3));
  const std::vector<float> expected = {0.4f, 0.48f, 0.6f, 1.16f, 1.2f, 1.12f};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_FLOAT_EQ(screens[i].second, expected[i]) << "screen " << i;
  for (const auto& [source, time] : screens) {
    EXPECT_GE(time, 0.0f);
    EXPECT_LE(time, 2.0f);
    const float frames = time * 25.0f;
    EXPECT_NEAR(frames, std::round(frames), 1e-3) << "times are whole frames";
  }
  // Changing only the order does not move any screen's time.
  params[PARAM_RANDOM_ORDER].u.bd.value = 0;
  const auto inTurn = perScreen(compute(3));
  for (std::size_t i = 0; i < screens.size(); ++i) EXPECT_EQ(inTurn[i].second, screens[i].second);
}

TEST_F(OrderStream, InTurnSourcesCycleAndGroupsKeepScreensInOrder) {
  params[PARAM_COLUMNS].u.fs_d.value = 7;
  params[PARAM_ROWS].u.fs_d.value = 1;
  const WallLayout layout = compute(3);
  const auto screens = perScreen(layout);
  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(screens[i].first, static_cast<int>(i % 3));
  ASSERT_EQ(layout.groups.size(), 3u) << "source time 0: one group per source";
  EXPECT_EQ(layout.groups[0].screens, (std::vector<std::int32_t>{0, 3, 6}));
}

TEST_F(OrderStream, OneSourceInRandomOrderShowsItEverywhereWithTheSameTimes) {
  params[PARAM_RANDOM_ORDER].u.bd.value = 1;
  params[PARAM_RANDOM_TIME].u.fs_d.value = 2.0;
  const auto one = perScreen(compute(1));
  const auto three = perScreen(compute(3));
  for (std::size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].first, 0);
    EXPECT_EQ(one[i].second, three[i].second);
  }
}

TEST_F(OrderStream, NoSourceMakesNoGroups) {
  EXPECT_TRUE(compute(0).groups.empty());
}

TEST_F(OrderStream, BadCountsAndNonFiniteValuesAreBoundedAndNeverCrash) {
  params[PARAM_COLUMNS].u.fs_d.value = 2.9;
  EXPECT_EQ(compute(2).controls.columns, 2);
  params[PARAM_COLUMNS].u.fs_d.value = 1e12;
  params[PARAM_ROWS].u.fs_d.value = 500;
  WallLayout big = compute(2);
  EXPECT_EQ(big.controls.columns, 100);
  EXPECT_EQ(big.controls.rows, 100);
  params[PARAM_COLUMNS].u.fs_d.value = -4;
  EXPECT_EQ(compute(2).screenCount(), 0);
  params[PARAM_COLUMNS].u.fs_d.value = std::nan("");
  params[PARAM_ROWS].u.fs_d.value = INFINITY;
  params[PARAM_ORDER_SEED].u.fs_d.value = -INFINITY;
  params[PARAM_RANDOM_TIME].u.fs_d.value = std::nan("");
  const WallLayout bad = compute(2);
  EXPECT_EQ(bad.controls.columns, 0);
  EXPECT_EQ(bad.controls.rows, 0);
  EXPECT_TRUE(bad.groups.empty());
}

TEST_F(OrderStream, WithoutALocalTimeStepEverySourceIsShownAtTheCurrentTime) {
  params[PARAM_RANDOM_TIME].u.fs_d.value = 2.0;
  in.local_time_step = 0;
  for (const auto& [source, time] : perScreen(compute(3))) EXPECT_EQ(time, 0.0f);
}

TEST(SourceGroupIndex, MatchesSourceAndExactTimeAndAppendsOtherwise) {
  WallLayout layout;
  SourceGroupIndex index(layout.groups);
  index.findOrAdd(1, 0.4f).screens.push_back(3);
  index.findOrAdd(1, 0.48f);
  index.findOrAdd(2, 0.4f);
  EXPECT_EQ(&index.findOrAdd(1, 0.4f), &layout.groups[0]);
  EXPECT_EQ(&index.findOrAdd(1, -0.0f), &index.findOrAdd(1, 0.0f));  // the two zeros are one time
  EXPECT_EQ(layout.groups.size(), 4u);
  // An index made over groups already there finds them.
  SourceGroupIndex again(layout.groups);
  EXPECT_EQ(&again.findOrAdd(2, 0.4f), &layout.groups[2]);
  EXPECT_EQ(layout.groups.size(), 4u);
}

TEST(TransformStream, SeedZeroGivesTheReferenceScreenSeeds) {
  const auto seeds = screenSeeds(2, 4);  // "Transform Random seed" 0, plus 2
  EXPECT_EQ(seeds, (std::vector<std::int32_t>{14590, 18316, 6658, 30085}));
}

TEST(TransformStream, TheOrderSeedDoesNotMoveDelaysAndTheTransformSeedDoesNotMoveSources) {
  WallParams params = test::defaultWallParams();
  PF_InData in = test::defaultInData();
  params[PARAM_RANDOM_ORDER].u.bd.value = 1;
  const WallControls a = readWallControls(params);
  params[PARAM_TRANSFORM_SEED].u.fs_d.value = 17;
  const WallControls b = readWallControls(params);
  const std::vector<SourceGroup> groupsA = sourceGroupsFor(a, 3, in), groupsB = sourceGroupsFor(b, 3, in);
  ASSERT_EQ(groupsA.size(), groupsB.size());
  for (std::size_t i = 0; i < groupsA.size(); ++i) EXPECT_EQ(groupsA[i].screens, groupsB[i].screens);
  EXPECT_NE(a.transformSeed, b.transformSeed);
}

}  // namespace
}  // namespace plenorium
