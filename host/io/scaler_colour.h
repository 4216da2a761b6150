// How decoded frames become 8-bit RGB: swscale told the frame's matrix and range, and the direct
// conversion into worlds where it gives exactly swscale's bytes. Private to host/io.
#pragma once

extern "C" {
#include <libswscale/swscale.h>
}

#include <optional>

#include "yuv_import.h"

namespace plenorium::host {

// The swscale matrix (SWS_CS_*) a frame's colour-space tag names.
int scalerMatrixOf(int avColorSpace);

// Tells `scaler` the source's matrix and whether it is full range. A format that carries its range
// in its name (yuvj420p) keeps swscale's own reading of it.
void tagScaler(SwsContext* scaler, int matrix, bool fullRange);

// The weights with which importYuv420 gives the bytes swscale gives an RGBA frame of 4:2:0 8-bit
// video of an even height tagged this way, once a probe picture converted both ways has shown
// that it does on this processor and this FFmpeg; nothing when it does not, or when swscale is the
// faster of the two here.
std::optional<YuvToRgbWeights> directConversion(int matrix, bool fullRange);

}  // namespace plenorium::host
