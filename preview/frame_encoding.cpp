#include "frame_encoding.h"

#include <png.h>
#include <turbojpeg.h>

#include <memory>
#include <vector>

#include "host_error.h"
#include "pixel_transfer.h"

namespace plenorium::preview {
namespace {

using host::HostError;

std::vector<std::uint8_t> rgbaOf(const host::World& world) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(world.width()) * static_cast<std::size_t>(world.height()) *
                                 4);
  host::exportPixels(world, rgba.data(), static_cast<std::size_t>(world.width()) * 4, host::SampleType::U8, false);
  return rgba;
}

}  // namespace

std::string encodeJpeg(const host::World& world, int quality) {
  std::vector<std::uint8_t> rgba = rgbaOf(world);
  host::flattenOverCheckerboard(rgba.data(), world.width(), world.height(), 8);
  const std::unique_ptr<void, int (*)(tjhandle)> encoder(tjInitCompress(), &tjDestroy);
  if (!encoder) throw HostError("cannot start the JPEG encoder");
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  if (tjCompress2(encoder.get(), rgba.data(), world.width(), 0, world.height(), TJPF_RGBX, &jpeg, &size, TJSAMP_420,
                  quality, TJFLAG_FASTDCT) != 0) {
    const std::string why = tjGetErrorStr2(encoder.get());
    tjFree(jpeg);
    throw HostError("cannot encode the frame as JPEG: " + why);
  }
  std::string out(reinterpret_cast<const char*>(jpeg), size);
  tjFree(jpeg);
  return out;
}

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// libpng reports errors by longjmp: the jump lands in this function, whose locals are plain
// values, and becomes a return value.
bool writePngRows(png_structp png, png_infop info, std::string* out, png_bytepp rows, png_uint_32 width,
                  png_uint_32 height) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_write_fn(png, out, &appendBytes, nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  png_write_rows(png, rows, height);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::string encodePng(const host::World& world) {
  std::vector<std::uint8_t> rgba = rgbaOf(world);
  std::vector<png_bytep> rows(static_cast<std::size_t>(world.height()));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = rgba.data() + y * static_cast<std::size_t>(world.width()) * 4;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::string out;
  const bool written =
      info != nullptr && writePngRows(png, info, &out, rows.data(), static_cast<png_uint_32>(world.width()),
                                      static_cast<png_uint_32>(world.height()));
  png_destroy_write_struct(&png, &info);
  if (!written) throw HostError("cannot encode the frame as PNG");
  return out;
}

}  // namespace plenorium::preview
