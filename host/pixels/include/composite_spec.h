// How a source meets the destination when the host composites it: transfer mode, opacity and
// matte. The compositing itself is private to host/pixels.
#pragma once

#include "AE_Effect.h"
#include "world.h"

namespace plenorium::host {

// How a source meets the destination.
struct CompositeSpec {
  PF_TransferMode mode = PF_Xfer_IN_FRONT;  // IN_FRONT (over), BEHIND (under) or COPY; others act as IN_FRONT
  float opacity = 1.0f;                     // 0..1
  const World* mask = nullptr;              // its alpha at (x - maskOffset.h, y - maskOffset.v) scales the source
  PF_Point maskOffset{0, 0};
  A_long maskFlags = 0;  // PF_MaskFlag_INVERTED, PF_MaskFlag_LUMINANCE
};

}  // namespace plenorium::host
