#include "stream.h"

#include <gtest/gtest.h>

namespace plenorium::host {
namespace {

TEST(Stream, LinearKeyframesInterpolateAndHoldAtTheEnds) {
  Stream s;
  s.setKeyframes({{2.0, {10, 0}}, {0.0, {0, 100}}, {4.0, {-10, 0}}});  // given out of order
  EXPECT_EQ(s.valueAt(-3.0)[0], 0.0) << "before the first keyframe: its value";
  EXPECT_EQ(s.valueAt(0.0)[1], 100.0);
  EXPECT_DOUBLE_EQ(s.valueAt(1.0)[0], 5.0);
  EXPECT_DOUBLE_EQ(s.valueAt(1.0)[1], 50.0);
  EXPECT_DOUBLE_EQ(s.valueAt(3.0)[0], 0.0);
  EXPECT_EQ(s.valueAt(99.0)[0], -10.0);
}

TEST(Stream, HoldKeyframesStepAndNegativeTimesWork) {
  Stream s;
  Keyframe a{-2.0, {1, 0}, Interpolation::HOLD};
  Keyframe b{-1.0, {5, 0}, Interpolation::LINEAR};
  Keyframe c{1.0, {9, 0}, Interpolation::LINEAR};
  s.setKeyframes({a, b, c});
  EXPECT_EQ(s.valueAt(-1.5)[0], 1.0);
  EXPECT_EQ(s.valueAt(-1.0)[0], 5.0);
  EXPECT_DOUBLE_EQ(s.valueAt(0.0)[0], 7.0);
}

TEST(Stream, SettingAConstantDropsKeyframesAndCountsARevision) {
  Stream s({3, 4});
  s.setKeyframes({{0, {1, 1}}});
  const auto before = s.revision();
  s.setConstant({7, 8});
  EXPECT_FALSE(s.isAnimated());
  EXPECT_EQ(s.valueAt(123)[1], 8.0);
  EXPECT_GT(s.revision(), before);
}

}  // namespace
}  // namespace plenorium::host
