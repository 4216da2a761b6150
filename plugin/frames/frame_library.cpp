#include "frame_library.h"

namespace plenorium {

void loadFrameImages(const SPBasicSuite* /*basic*/, const std::string& /*folder*/,
                     FrameImage (&frames)[FRAME_IMAGE_COUNT]) {
  // The pictures are not decoded yet: every record reads as empty, which set-down passes over
  // and the render treats as a picture that is not available.
  for (FrameImage& frame : frames) frame = FrameImage{nullptr, nullptr, nullptr};
}

void disposeFrameImages(HostSuites& suites, FrameImage (&frames)[FRAME_IMAGE_COUNT]) {
  for (FrameImage& frame : frames) {
    for (AEGP_WorldH* world : {&frame.world8, &frame.world16, &frame.world32}) {
      if (*world == nullptr) continue;
      if (suites.worldSuite3()->AEGP_Dispose(*world) != A_Err_NONE) return;
      *world = nullptr;
    }
  }
}

}  // namespace plenorium
