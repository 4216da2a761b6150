// The built-in frame pictures: loaded from the folder beside the module at global set-up into
// host worlds at the three depths, disposed at global set-down.
#pragma once

#include <string>

#include "frame_image.h"
#include "host_suites.h"

namespace plenorium {

// File names, by index: "Flat 1".."Flat 7", "Flat 8" (narrow), "Retro".
extern const char* const FRAME_FILE_NAMES[FRAME_IMAGE_COUNT];

// Loads the nine pictures from `folder` (which ends with a path separator) into `frames`.
// A picture that cannot be loaded leaves its record empty; nothing is reported.
void loadFrameImages(const SPBasicSuite* basic, const std::string& folder, FrameImage (&frames)[FRAME_IMAGE_COUNT]);

// Loads one picture into one record.
void loadFrameImage(HostSuites& suites, const std::string& path, FrameImage& frame);

// Disposes every world that was made, in index order and world8, world16, world32 within a
// record; the first failing disposal ends the walk.
void disposeFrameImages(HostSuites& suites, FrameImage (&frames)[FRAME_IMAGE_COUNT]);

// The channel conversions: 8-bit to the 16-bit range 0..32768, and to float.
std::uint16_t toChannel16(std::uint8_t v);
float toChannel32(std::uint8_t v);

}  // namespace plenorium
