// One screen's delay, its sampled transform controls and its randomised angles.
#pragma once

#include <cstdint>

namespace plenorium {

// Transform controls sampled at a screen's own time: factors blended by `master`, angles scaled
// by it, random amounts as signed fractions.
struct ScreenControls {
  float master = 1;
  float scaleX = 1;
  float scaleY = 1;
  float rotateY = 0;
  float rotateYRandom = 0;
  float rotateX = 0;
  float rotateXRandom = 0;
  float rotateZ = 0;
  float rotateZRandom = 0;
  float opacity = 1;
  std::uint8_t isNeutral = 1;
};

struct ScreenSlot {
  float timeOffset = 0;  // seconds
  ScreenControls controls;
  float finalRotateY = 0;  // degrees
  float finalRotateX = 0;
  float finalRotateZ = 0;
};

}  // namespace plenorium
