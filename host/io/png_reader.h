// Reading PNG files with libpng directly, so that a damaged file is one error that names its
// cause ("the file ends early"), with nothing printed by the library itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plenorium::host {

struct PngHeader {
  int width = 0, height = 0;
  bool sixteenBit = false;  // samples are 16 bits once read
  double pixelAspect = 1;
};

// Reads the header of `file`. Throws HostError naming the file and the cause.
PngHeader readPngHeader(const std::string& file);

// Reads the whole picture as RGBA rows of width × 4 samples (8 bits, or 16 bits in native byte
// order). Palettes, grey and missing alpha are expanded. `admit` sees the header before any pixel
// memory is taken and may throw to refuse the picture.
PngHeader readPng(const std::string& file, std::vector<std::uint8_t>& pixels,
                  const std::function<void(const PngHeader&)>& admit);

}  // namespace plenorium::host
