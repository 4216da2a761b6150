#include "screen_sampling.h"

#include <gtest/gtest.h>

namespace plenorium {
namespace {

RawScreenControls defaults() {
  return {100, 100, 100, 0, 0, 0, 0, 0, 0, 100};
}

TEST(ScreenControls, DefaultsAreNeutral) {
  const ScreenControls c = blendScreenControls(defaults());
  EXPECT_EQ(c.master, 1.0f);
  EXPECT_EQ(c.scaleX, 1.0f);
  EXPECT_EQ(c.scaleY, 1.0f);
  EXPECT_EQ(c.opacity, 1.0f);
  EXPECT_EQ(c.rotateZ, 0.0f);
  EXPECT_EQ(c.isNeutral, 1);
}

TEST(ScreenControls, MasterBlendsFactorsAndScalesAngles) {
  RawScreenControls raw = defaults();
  raw.master = 50;
  raw.scaleX = 200;
  raw.rotateX = 90;
  const ScreenControls c = blendScreenControls(raw);
  EXPECT_FLOAT_EQ(c.scaleX, 1.5f);
  EXPECT_FLOAT_EQ(c.rotateX, 45.0f);
  EXPECT_EQ(c.isNeutral, 0);
}

TEST(ScreenControls, MasterZeroSwitchesTheEffectOffButNotTheNeutralTest) {
  RawScreenControls raw = defaults();
  raw.master = 0;
  raw.scaleX = 50;
  raw.opacity = 10;
  raw.rotateZ = 33;
  raw.rotateXRandom = -50;
  const ScreenControls c = blendScreenControls(raw);
  EXPECT_EQ(c.scaleX, 1.0f);
  EXPECT_EQ(c.opacity, 1.0f);
  EXPECT_EQ(c.rotateZ, 0.0f);
  EXPECT_EQ(c.isNeutral, 0) << "the raw values still say the screen is transformed";
  EXPECT_FLOAT_EQ(c.rotateXRandom, -0.5f) << "random amounts are not blended";
}

TEST(ScreenControls, FullMasterPassesOpacityZero) {
  RawScreenControls raw = defaults();
  raw.opacity = 0;
  EXPECT_EQ(blendScreenControls(raw).opacity, 0.0f);
}

}  // namespace
}  // namespace plenorium
