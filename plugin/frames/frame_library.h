// Loading the built-in frame pictures at global set-up and disposing them at global set-down.
#pragma once

#include <string>

#include "frame_image.h"
#include "host_suites.h"

namespace plenorium {

// Loads the nine pictures from `folder` (which ends with a path separator) into `frames`.
// A picture that cannot be loaded leaves its record empty; nothing is reported.
void loadFrameImages(const SPBasicSuite* basic, const std::string& folder, FrameImage (&frames)[FRAME_IMAGE_COUNT]);

// Disposes every world that was made, in index order and world8, world16, world32 within a
// record; the first failing disposal ends the walk.
void disposeFrameImages(HostSuites& suites, FrameImage (&frames)[FRAME_IMAGE_COUNT]);

}  // namespace plenorium
