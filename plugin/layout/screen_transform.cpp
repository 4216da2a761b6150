#include "screen_transform.h"

#include <algorithm>
#include <cmath>

#include "screen_sampling.h"

namespace plenorium {
namespace {

// The ten-digit degree-to-radian constant of the tilt model. At 90° its cosine is about 1.8e-9,
// so a screen turned on edge is drawn as a sliver rather than dropped.
constexpr double TILT_DEG_TO_RAD = 0.0174532925;
constexpr double DEG_TO_RAD = 0.017453292519943295;

PF_FloatMatrix identity() {
  PF_FloatMatrix m{};
  m.mat[0][0] = m.mat[1][1] = m.mat[2][2] = 1.0;
  return m;
}

}  // namespace

std::vector<std::int32_t> screenSeeds(std::int32_t transformSeed, int screenCount) {
  WallRandom random(transformSeed);
  std::vector<std::int32_t> seeds(static_cast<std::size_t>(std::max(screenCount, 0)));
  for (std::int32_t& seed : seeds) {
    skipDraws(random);
    seed = static_cast<std::int32_t>(unitValue(random.draw()) * 32767.0f);
  }
  return seeds;
}

std::vector<ScreenSlot> buildScreenSlots(PF_InData* in_data, const WallLayout& layout) {
  const int n = layout.screenCount();
  const std::vector<std::int32_t> seeds = screenSeeds(layout.controls.transformSeed, n);
  std::vector<ScreenSlot> slots(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    ScreenSlot& slot = slots[static_cast<std::size_t>(j)];
    WallRandom random(seeds[static_cast<std::size_t>(j)]);
    slot.timeOffset = drawTimeOffset(random, layout.controls.timeOffsetMax);
    const A_Time time{screenSampleTime(in_data->current_time, in_data->time_scale, slot.timeOffset),
                      in_data->time_scale};
    SampleScreenControls(in_data, slot.controls, time);
    randomizeAngles(random, slot);
  }
  return slots;
}

float drawTimeOffset(WallRandom& screenRandom, float timeOffsetMax) {
  skipDraws(screenRandom);
  return unitValue(screenRandom.draw()) * timeOffsetMax;
}

float randomizeValue(WallRandom& screenRandom, float value, float amount) {
  skipDraws(screenRandom);
  const int d = screenRandom.draw();
  skipDraws(screenRandom);
  const int f = screenRandom.draw();
  float u = unitValue(f);
  if (amount < 0.0f && unitValue(d) < 0.5f) u = -u;
  const float h = std::fabs(amount);
  return (u * value) * h + (1.0f - h) * value;
}

void randomizeAngles(WallRandom& screenRandom, ScreenSlot& slot) {
  const ScreenControls& c = slot.controls;
  slot.finalRotateY = randomizeValue(screenRandom, c.rotateY, c.rotateYRandom);
  slot.finalRotateX = randomizeValue(screenRandom, c.rotateX, c.rotateXRandom);
  slot.finalRotateZ = randomizeValue(screenRandom, c.rotateZ, c.rotateZRandom);
}

A_long screenSampleTime(A_long currentTime, A_u_long timeScale, float timeOffset) {
  const float ticks = static_cast<float>(timeScale) * timeOffset;
  // Delays are bounded by their slider; saturate rather than overflow if an expression is not.
  const double shift = std::isfinite(ticks) ? std::clamp(std::trunc(static_cast<double>(ticks)), 0.0, 1e9) : 0.0;
  return static_cast<A_long>(std::max(static_cast<double>(currentTime) - shift, -2147483648.0));
}

bool isScreenVisible(A_long currentTime, A_u_long timeScale, float timeOffset) {
  if (timeScale == 0) return true;
  return !(static_cast<float>(currentTime) / static_cast<float>(timeScale) < timeOffset);
}

ScreenScale screenScale(const WallLayout& layout, const ScreenSlot& slot, A_long srcW, A_long srcH) {
  ScreenScale s{};
  s.cosY = std::cos(static_cast<double>(slot.finalRotateY) * TILT_DEG_TO_RAD);
  s.cosX = std::cos(static_cast<double>(slot.finalRotateX) * TILT_DEG_TO_RAD);
  if (srcW <= 0 || srcH <= 0) return s;
  const float fitW = layout.grid.screenWidthPx / static_cast<float>(srcW);
  const float fitH = layout.grid.screenHeightPx / static_cast<float>(srcH);
  s.sx = static_cast<float>(static_cast<double>(fitW * slot.controls.scaleX) * s.cosY);
  s.sy = static_cast<float>(static_cast<double>(fitH * slot.controls.scaleY) * s.cosX);
  return s;
}

A_u_char opacityByte(float opacity) {
  const float scaled = static_cast<float>(opacity * 255.0);
  if (!(scaled > 0.0f)) return 0;
  return static_cast<A_u_char>(std::min(scaled, 255.0f));
}

void buildScreenMatrix(PF_FloatMatrix& matrix, const PicturePlacement& placement) {
  const auto& [x, y, sx, sy, rotationDeg, width, height, preScaleX, postScaleX] = placement;
  matrix = identity();
  const double cx0 = width * 0.5;
  const double cy0 = height * 0.5;

  if (sx != 1.0 || sy != 1.0 || preScaleX != 1.0) {
    const double k = static_cast<float>(sx * preScaleX);
    PF_FloatMatrix step = identity();
    step.mat[0][0] = k;
    step.mat[1][1] = sy;
    step.mat[2][0] = (1.0 - k) * cx0;
    step.mat[2][1] = (1.0 - sy) * cy0;
    concatMatrix(step, matrix);
  }
  if (rotationDeg != 0.0) {
    const double a = rotationDeg * DEG_TO_RAD;
    const double c = std::cos(a);
    const double s = std::sin(a);
    PF_FloatMatrix step = identity();
    step.mat[0][0] = c;
    step.mat[0][1] = s;
    step.mat[1][0] = -s;
    step.mat[1][1] = c;
    step.mat[2][0] = (1.0 - c) * cx0 + s * cy0;
    step.mat[2][1] = (1.0 - c) * cy0 - s * cx0;
    concatMatrix(step, matrix);
  }
  if (postScaleX != 1.0) {
    const double k = static_cast<float>(1.0 / postScaleX);
    PF_FloatMatrix step = identity();
    step.mat[0][0] = k;
    step.mat[2][0] = (1.0 - k) * cx0;
    concatMatrix(step, matrix);
  }
  PF_FloatMatrix step = identity();
  step.mat[2][0] = x - cx0;
  step.mat[2][1] = y - cy0;
  concatMatrix(step, matrix);
}

ScreenPlacement placeScreen(const WallLayout& l, float x0, float y0, float sx, float sy, float rotationDeg,
                            A_long sourceWidth, A_long sourceHeight) {
  ScreenPlacement p{};
  p.cx = l.grid.screenWidthPx * 0.5f + x0;
  p.cy = l.grid.screenHeightPx * 0.5f + y0;
  const float w = std::fabs(sx) * static_cast<float>(sourceWidth);
  const float h = std::fabs(sy) * static_cast<float>(sourceHeight);
  // Half the square's side is the screen's larger scaled side: enough for any rotation.
  const float ext = w > h ? w : h;
  p.destRect = PF_Rect{saturatingPixel(p.cx - std::floor(ext)), saturatingPixel(p.cy - std::floor(ext)),
                       saturatingPixel(p.cx + std::ceil(ext)), saturatingPixel(p.cy + std::ceil(ext))};
  const double aspectFactor = static_cast<float>(1.0 / l.grid.aspect);
  buildScreenMatrix(p.matrix, {.x = p.cx,
                               .y = p.cy,
                               .sx = sx,
                               .sy = sy,
                               .rotationDeg = rotationDeg,
                               .width = sourceWidth,
                               .height = sourceHeight,
                               .preScaleX = aspectFactor,
                               .postScaleX = aspectFactor});
  return p;
}

ScreenPlacement placeNeutralScreen(const WallLayout& l, const ScreenRect& rect, TileSize tile) {
  ScreenPlacement p{};
  p.cx = static_cast<float>(tile.width) * 0.5f + rect.x0;
  p.cy = static_cast<float>(tile.height) * 0.5f + rect.y0;
  p.destRect = neutralDestRect(rect, tile);
  buildScreenMatrix(p.matrix, {.x = p.cx,
                               .y = p.cy,
                               .width = tile.width,
                               .height = tile.height,
                               .preScaleX = l.grid.aspect,
                               .postScaleX = l.grid.aspect});
  return p;
}

void concatMatrix(const PF_FloatMatrix& step, PF_FloatMatrix& matrix) {
  PF_FloatMatrix r{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 3; ++k) sum += matrix.mat[i][k] * step.mat[k][j];
      r.mat[i][j] = sum;
    }
  }
  matrix = r;
}

}  // namespace plenorium
