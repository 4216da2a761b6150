// Writing rendered frames to image files. Files appear whole or not at all: each is written
// under a temporary name beside the target and renamed when complete.
#pragma once

#include <string>

#include "world.h"

namespace plenorium::host {

enum class FileDepth { EIGHT, SIXTEEN, FLOAT };  // PNG holds FLOAT as 16 bits

// What an EXR's colour values are: the worlds' own sRGB-encoded values, or scene-linear ones (sRGB
// decoded), as compositors expect of EXR. The file is tagged with which.
enum class ExrColour { SRGB, LINEAR };

// Writes `world` as an RGBA PNG (straight alpha). 16-bit channels map 0..32768 to 0..65535;
// float channels are clamped to 0..1. Throws HostError naming the file.
// `level`: zlib's compression, 0 (none) to 9 (smallest, slowest).
constexpr int DEFAULT_PNG_LEVEL = 1;
void writePng(const World& world, const std::string& path, FileDepth depth, int level = DEFAULT_PNG_LEVEL);

// Whether `path` names a picture format this host writes (by its extension).
bool canWritePicture(const std::string& path);

// Writes `world` as a TIFF (8, 16 or 32-bit float, straight alpha) or an OpenEXR file (half
// float, colour premultiplied as the format expects), chosen by the extension; any other format
// OpenImageIO writes (.jpg, .webp, ...) at 8 bits. PNG goes to writePng with `pngLevel`.
void writeImage(const World& world, const std::string& path, FileDepth depth, ExrColour exrColour = ExrColour::SRGB,
                int pngLevel = DEFAULT_PNG_LEVEL);

}  // namespace plenorium::host
