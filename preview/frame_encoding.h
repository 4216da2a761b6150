// A rendered frame as the page receives it: JPEG over a checkerboard while interacting (small and
// quick), or PNG with its alpha for exact pixels.
#pragma once

#include <string>

#include "world.h"

namespace plenorium::preview {

// `world` at 8 bits per channel. Throws HostError when the encoder fails.
std::string encodeJpeg(const host::World& world, int quality = 85);
std::string encodePng(const host::World& world);

}  // namespace plenorium::preview
