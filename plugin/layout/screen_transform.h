// The transform model of one screen: its seed, delay and randomised angles, its foreshortened
// scale factors, its opacity, and the 3 × 3 matrices handed to the host's world transform
// (row vectors: (x, y, 1) · M, translation in the third row).
#pragma once

#include <cstdint>
#include <vector>

#include "AE_Effect.h"
#include "screen_slot.h"
#include "wall_geometry.h"
#include "wall_layout.h"
#include "wall_random.h"

namespace plenorium {

// One seed per screen from the transform stream, in screen order.
std::vector<std::int32_t> screenSeeds(std::int32_t transformSeed, int screenCount);

// Every screen's delay, controls sampled at its own time (current time minus its delay) and
// randomised angles, in screen order.
std::vector<ScreenSlot> buildScreenSlots(PF_InData* in_data, const WallLayout& layout);

// The screen's delay in seconds: the first value drawn from its own generator.
float drawTimeOffset(WallRandom& screenRandom, float timeOffsetMax);

// Randomises one angle (degrees) by `amount` (-1..1); always makes its four draws.
float randomizeValue(WallRandom& screenRandom, float value, float amount);

// Y, then X, then Z, from the screen's generator after its delay was drawn.
void randomizeAngles(WallRandom& screenRandom, ScreenSlot& slot);

// The host time (in `timeScale` units) at which the screen's controls are sampled.
A_long screenSampleTime(A_long currentTime, A_u_long timeScale, float timeOffset);

// A screen is drawn once the current time has reached its delay.
bool isScreenVisible(A_long currentTime, A_u_long timeScale, float timeOffset);

// Scale factors of a picture of srcW × srcH placed on a screen, with the tilts as cosine
// foreshortening. A zero factor means the screen is not drawn.
struct ScreenScale {
  double cosY, cosX;
  float sx, sy;
};
ScreenScale screenScale(const WallLayout& layout, const ScreenSlot& slot, A_long srcW, A_long srcH);

// The composite opacity 0..255 of an opacity factor.
A_u_char opacityByte(float opacity);

// Where a picture goes: a picture of width × height whose centre lands on (x, y), scaled about
// its centre (the horizontal factor times preScaleX), rotated by rotationDeg (clockwise on
// screen), then horizontally rescaled by 1 / postScaleX.
struct PicturePlacement {
  double x = 0, y = 0;
  double sx = 1, sy = 1;
  double rotationDeg = 0;
  A_long width = 0, height = 0;
  double preScaleX = 1, postScaleX = 1;
};
void buildScreenMatrix(PF_FloatMatrix& matrix, const PicturePlacement& placement);

// Where a transformed screen lands: its centre, the rotation-safe square around it that bounds
// the host's work, and the matrix that places a source picture on it.
struct ScreenPlacement {
  float cx, cy;
  PF_Rect destRect;
  PF_FloatMatrix matrix;
};
// A picture of sourceWidth × sourceHeight scaled by (sx, sy) and turned by rotationDeg on the
// screen whose top-left corner is (x0, y0).
ScreenPlacement placeScreen(const WallLayout& layout, float x0, float y0, float sx, float sy, float rotationDeg,
                            A_long sourceWidth, A_long sourceHeight);
// A neutral screen's tile, copied unscaled onto the screen at `rect`.
ScreenPlacement placeNeutralScreen(const WallLayout& layout, const ScreenRect& rect, TileSize tile);

// matrix = matrix × step: a point passes through `matrix` first, then `step`.
void concatMatrix(const PF_FloatMatrix& step, PF_FloatMatrix& matrix);

}  // namespace plenorium
