#include "screen_sampling.h"

#include <cmath>

#include "effect_streams.h"
#include "param_index.h"
#include "param_table.h"

namespace plenorium {
namespace {

double declaredDefault(int index) {
  for (const ParamSpec& spec : paramTable()) {
    if (spec.index == index) return spec.slider.dflt;
  }
  return 0.0;  // the angles default to 0 degrees
}

// A factor control blended from 1 towards its value by the master amount.
float blendFactor(double value, float master) {
  const float s = static_cast<float>(value * 0.01);
  if (!(master > 0.0f)) return 1.0f;
  if (master >= 1.0f) return s;
  return s * master + (1.0f - master);
}

}  // namespace

ScreenControls blendScreenControls(const RawScreenControls& raw) {
  ScreenControls c;
  c.isNeutral = 1;
  c.master = static_cast<float>(raw.master * 0.01);
  const double m = c.master;
  auto factor = [&](double v, float& field) {
    field = blendFactor(v, c.master);
    if (static_cast<float>(v * 0.01) != 1.0f) c.isNeutral = 0;
  };
  auto angle = [&](double v, float& field) {
    field = static_cast<float>(m * v);
    if (v != 0.0) c.isNeutral = 0;
  };
  factor(raw.scaleX, c.scaleX);
  factor(raw.scaleY, c.scaleY);
  angle(raw.rotateX, c.rotateX);
  c.rotateXRandom = static_cast<float>(raw.rotateXRandom * 0.01);
  angle(raw.rotateY, c.rotateY);
  c.rotateYRandom = static_cast<float>(raw.rotateYRandom * 0.01);
  angle(raw.rotateZ, c.rotateZ);
  c.rotateZRandom = static_cast<float>(raw.rotateZRandom * 0.01);
  factor(raw.opacity, c.opacity);
  return c;
}

void SampleScreenControls(PF_InData* in_data, ScreenControls& controls, const A_Time& time) {
  HostSuites suites(in_data->pica_basicP);
  const EffectRef effect(suites, in_data->effect_ref);
  const AEGP_StreamSuite4* streams = suites.streamSuite9();
  auto read = [&](int index) {
    const ParamStream stream(streams, effect.get(), index);
    const StreamValue value(streams, stream.get(), time);
    // Expressions can produce anything; what is not a number keeps the screen at the default.
    return value.ok() && std::isfinite(value.value().one_d) ? value.value().one_d : declaredDefault(index);
  };
  RawScreenControls raw{};
  raw.master = read(PARAM_MASTER_CONTROL);
  raw.scaleX = read(PARAM_SCALE_X);
  raw.scaleY = read(PARAM_SCALE_Y);
  raw.rotateX = read(PARAM_ROTATE_X);
  raw.rotateXRandom = read(PARAM_ROTATE_X_RANDOM);
  raw.rotateY = read(PARAM_ROTATE_Y);
  raw.rotateYRandom = read(PARAM_ROTATE_Y_RANDOM);
  raw.rotateZ = read(PARAM_ROTATE_Z);
  raw.rotateZRandom = read(PARAM_ROTATE_Z_RANDOM);
  raw.opacity = read(PARAM_OPACITY);
  controls = blendScreenControls(raw);
}

}  // namespace plenorium
