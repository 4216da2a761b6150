// Moving pixels between worlds and the interleaved RGBA buffers of file readers and writers:
// channel order, sample ranges (8-bit 0..255, 16-bit files 0..65535 against worlds' 0..32768,
// float 0..1) and alpha association.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "world.h"

namespace plenorium::host {

enum class SampleType { U8, U16, F32 };

struct PixelBuffer {
  const void* data = nullptr;
  std::size_t rowBytes = 0;
  int width = 0;
  int height = 0;
  int channels = 4;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
  SampleType type = SampleType::U8;
};

// Writes `src` (straight alpha) into `dst`, which has the same size.
void importPixels(const PixelBuffer& src, World& dst);

// Turns the 8-bit RGBA pixels that a decoder wrote into `world`'s rows into the world's own ARGB
// order, in place.
void rgbaToArgbInPlace(World& world);

// How a picture is turned to be shown upright: destination pixel (x, y) takes the source pixel at
// (u, v) = swapAxes ? (y, x) : (x, y), counted from the right when mirrorX and from the bottom when
// mirrorY. Quarter turns swap the axes: 90 degrees clockwise is {true, false, true}.
struct QuarterTurn {
  bool swapAxes = false;
  bool mirrorX = false;
  bool mirrorY = false;
  bool identity() const { return !swapAxes && !mirrorX && !mirrorY; }
};

// Turns packed 8-bit RGBA rows of `width` x `height` by `turn` into `out` (packed, of the turned
// size: height x width when the axes swap).
void turnRgba(const std::uint8_t* src, int width, int height, QuarterTurn turn, std::vector<std::uint8_t>& out);

// Lays packed 8-bit RGBA pixels (straight alpha) over a grey checkerboard of `cell`-pixel squares,
// as viewers show transparency, leaving them opaque.
void flattenOverCheckerboard(std::uint8_t* rgba, int width, int height, int cell);

// Reads `src` into an RGBA buffer of `type` samples; `premultiply` associates colour with alpha
// (as EXR files expect).
void exportPixels(const World& src, void* dst, std::size_t rowBytes, SampleType type, bool premultiply);
// The same for rows [first, first + count) of `src`, the first of them written at `dst`.
void exportPixelRows(const World& src, A_long first, A_long count, void* dst, std::size_t rowBytes, SampleType type,
                     bool premultiply);

// sRGB's transfer curve, both ways, on the colour of `pixels` float pixels of `channels` samples
// each (grey, grey + alpha, RGB or RGBA, straight alpha, which stays as it is). Values past 1
// follow the curve's continuation, so bright scene-linear values are kept.
void srgbToLinear(float* samples, std::size_t pixels, int channels);
void linearToSrgb(float* samples, std::size_t pixels, int channels);

}  // namespace plenorium::host
