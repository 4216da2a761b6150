// Generated pictures that animate over time, so that demos and tests need no media files:
// "bars" (colour bars with a sweeping line), "checker" (a scrolling checkerboard), "gradient"
// (a drifting rainbow) and "counter" (the frame number in large digits).
#pragma once

#include <string>

#include "pixel_engine.h"
#include "world.h"

namespace plenorium::host {

// Draws `pattern` for frame `frame` at `seconds` into the whole of `dst`, whose size may be the
// item's size divided by a downsampling factor (`scale` = dst size / item size).
// Returns false for an unknown pattern name.
bool drawPattern(PixelEngine& engine, World& dst, const std::string& pattern, double seconds, long frame, double scale);

}  // namespace plenorium::host
