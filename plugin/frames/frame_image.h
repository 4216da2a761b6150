// One built-in TV-frame picture held at the three channel depths. A record whose worlds were
// never made holds null handles.
#pragma once

#include "AE_GeneralPlug.h"

namespace plenorium {

inline constexpr int FRAME_IMAGE_COUNT = 9;

struct FrameImage {
  AEGP_WorldH world8;
  AEGP_WorldH world16;
  AEGP_WorldH world32;
};

}  // namespace plenorium
