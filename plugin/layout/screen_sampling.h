// Reads the "Screens Transform" controls from the effect's own streams at one screen's time, so
// that animated controls play on each screen with that screen's delay.
#pragma once

#include "AE_Effect.h"
#include "screen_slot.h"

namespace plenorium {

// Fills every field of `controls`: factors blended from 1 by "Master Control", angles scaled by
// it, random amounts as fractions, and `isNeutral`. A control whose stream or value cannot be
// read takes its declared default.
void SampleScreenControls(PF_InData* in_data, ScreenControls& controls, const A_Time& time);

// The same blend from raw control values (per cent, degrees), as read from the streams.
struct RawScreenControls {
  double master, scaleX, scaleY, rotateX, rotateXRandom, rotateY, rotateYRandom, rotateZ, rotateZRandom, opacity;
};
ScreenControls blendScreenControls(const RawScreenControls& raw);

}  // namespace plenorium
