// The pictures the Windows smoke program hands to the tests on the build machine: a header of
// width, height and bytes per pixel (32-bit little-endian each), then the rows, tightly packed.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "world.h"

namespace plenorium::test {

struct RawPicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bytesPerPixel = 0;
  std::vector<std::uint8_t> bytes;
};

// The wall both builds render: this frame of the composition "Main", at each depth, into these files.
inline constexpr long WALL_FRAME = 12;
inline constexpr std::pair<host::PixelDepth, const char*> WALL_PICTURES[] = {
    {host::PixelDepth::U8, "wall8.raw"}, {host::PixelDepth::U16, "wall16.raw"}, {host::PixelDepth::F32, "wall32.raw"}};

// A world's pixels as they lie in its rows, without the rows' padding.
inline RawPicture rawPictureOf(const host::World& world) {
  const std::size_t pixelBytes = host::bytesPerPixel(world.depth());
  RawPicture picture{static_cast<std::uint32_t>(world.width()),
                     static_cast<std::uint32_t>(world.height()),
                     static_cast<std::uint32_t>(pixelBytes),
                     {}};
  const std::size_t rowBytes = pixelBytes * picture.width;
  picture.bytes.reserve(rowBytes * picture.height);
  for (A_long y = 0; y < world.height(); ++y)
    picture.bytes.insert(picture.bytes.end(), world.row(y), world.row(y) + rowBytes);
  return picture;
}

inline bool writeRawPicture(const std::string& path, const RawPicture& picture) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const std::uint32_t field : {picture.width, picture.height, picture.bytesPerPixel}) {
    const std::uint8_t le[4] = {static_cast<std::uint8_t>(field), static_cast<std::uint8_t>(field >> 8),
                                static_cast<std::uint8_t>(field >> 16), static_cast<std::uint8_t>(field >> 24)};
    out.write(reinterpret_cast<const char*>(le), 4);
  }
  out.write(reinterpret_cast<const char*>(picture.bytes.data()), static_cast<std::streamsize>(picture.bytes.size()));
  return static_cast<bool>(out);
}

inline std::optional<RawPicture> readRawPicture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  RawPicture picture;
  for (std::uint32_t* field : {&picture.width, &picture.height, &picture.bytesPerPixel}) {
    std::uint8_t le[4] = {};
    if (!in.read(reinterpret_cast<char*>(le), 4)) return std::nullopt;
    *field = static_cast<std::uint32_t>(le[0] | le[1] << 8 | le[2] << 16 | static_cast<std::uint32_t>(le[3]) << 24);
  }
  picture.bytes.resize(static_cast<std::size_t>(picture.width) * picture.height * picture.bytesPerPixel);
  if (!in.read(reinterpret_cast<char*>(picture.bytes.data()), static_cast<std::streamsize>(picture.bytes.size()))) {
    return std::nullopt;
  }
  return picture;
}

}  // namespace plenorium::test
