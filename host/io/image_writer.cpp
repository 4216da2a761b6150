#include "image_writer.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "host_error.h"
#include "output_file.h"
#include "picture_codec.h"
#include "pixel_transfer.h"
#include "pixel_types.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;

// One row as big-endian RGBA samples of the file's depth.
std::vector<std::uint8_t> encodeRow(const World& world, A_long y, FileDepth depth) {
  const std::size_t width = static_cast<std::size_t>(world.width());
  std::vector<std::uint8_t> out(width * (depth == FileDepth::EIGHT ? 4 : 8));
  dispatchDepth(world.depth(), [&]<PixelDepth D>() {
    const auto* row = pixelRow<D>(world, y);
    for (std::size_t x = 0; x < width; ++x) {
      const Color4 c = loadStraight<D>(row[x]);
      const float channels[4] = {c.r, c.g, c.b, c.a};
      for (int k = 0; k < 4; ++k) {
        const float v = std::clamp(channels[k], 0.0f, 1.0f);
        if (depth == FileDepth::EIGHT) {
          if constexpr (D == PixelDepth::U8) {
            const std::uint8_t raw[4] = {row[x].red, row[x].green, row[x].blue, row[x].alpha};
            out[x * 4 + k] = raw[k];
          } else {
            out[x * 4 + k] = static_cast<std::uint8_t>(std::lround(v * 255.0f));
          }
        } else {
          std::uint16_t s = 0;
          if constexpr (D == PixelDepth::U16) {
            const std::uint16_t raw[4] = {row[x].red, row[x].green, row[x].blue, row[x].alpha};
            s = static_cast<std::uint16_t>((static_cast<std::uint32_t>(raw[k]) * 65535u + 16384u) / 32768u);
          } else {
            s = static_cast<std::uint16_t>(std::lround(v * 65535.0f));
          }
          out[x * 8 + k * 2] = static_cast<std::uint8_t>(s >> 8);
          out[x * 8 + k * 2 + 1] = static_cast<std::uint8_t>(s & 0xFF);
        }
      }
    }
  });
  return out;
}

// What libpng's callbacks report back: the encoded file so far and the first cause of failure.
struct PngSink {
  std::vector<unsigned char> bytes;
  std::string failure;
};

void appendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  sink->bytes.insert(sink->bytes.end(), data, data + size);
}

void flushNothing(png_structp) {}

void reportPngError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  if (sink->failure.empty()) sink->failure = message;
  png_longjmp(png, 1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

std::vector<unsigned char> encodePng(const World& world, FileDepth depth, int level, const std::string& path) {
  std::vector<std::vector<std::uint8_t>> rows;
  for (A_long y = 0; y < world.height(); ++y) rows.push_back(encodeRow(world, y, depth));
  PngSink sink;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, reportPngError, ignorePngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    throw HostError("cannot write '" + path + "': out of memory");
  }
  // libpng reports errors by long jump: nothing is created or changed between here and the end.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw HostError("cannot write '" + path + "': " + sink.failure);
  }
  png_set_write_fn(png, &sink, appendBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(world.width()), static_cast<png_uint_32>(world.height()),
               depth == FileDepth::EIGHT ? 8 : 16, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, std::clamp(level, 0, 9));
  png_write_info(png, info);
  for (auto& row : rows) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::move(sink.bytes);
}

// Encodes `picture` in the format `path` names and puts the file in place whole: written from
// memory by the one writer that checks every step, or, for formats that write only to files of
// their own, written beside the target and moved into place when complete.
void writeThroughCodec(const std::string& path, const PictureToWrite& picture) {
  std::vector<unsigned char> encoded;
  bool inMemory = false;
  const fs::path partial = partialPathFor(path);
  const std::string failure = pictureCodec().write(path, picture, encoded, partial.string(), inMemory);
  std::error_code ec;
  if (!failure.empty()) {
    if (!inMemory) fs::remove(partial, ec);
    throw HostError("cannot write '" + path + "': " + failure);
  }
  if (inMemory) {
    writeWholeFile(path, encoded);
    return;
  }
  fs::rename(partial, replaceableTarget(path), ec);
  if (ec) {
    fs::remove(partial, ec);
    throw HostError("cannot write '" + path + "': " + ec.message());
  }
}

// Any other format the picture module writes, at 8 bits: with straight alpha where the format
// keeps alpha, otherwise colour over black.
void writeOtherPicture(const World& world, const std::string& path) {
  const PictureCodec& codec = pictureCodec();
  if (!codec.writes(path)) {
    throw HostError("cannot write '" + path + "': unknown picture type " + fs::path(path).extension().string());
  }
  const bool alpha = codec.keepsAlpha(path);
  const std::size_t width = static_cast<std::size_t>(world.width()), height = static_cast<std::size_t>(world.height());
  std::vector<std::uint8_t> pixels(width * 4 * height);
  exportPixels(world, pixels.data(), width * 4, SampleType::U8, !alpha);
  if (!alpha) {
    for (std::size_t i = 0; i < width * height; ++i) {
      for (std::size_t k = 0; k < 3; ++k) pixels[i * 3 + k] = pixels[i * 4 + k];
    }
    pixels.resize(width * 3 * height);
  }
  PictureToWrite picture;
  picture.width = world.width();
  picture.height = world.height();
  picture.channels = alpha ? 4 : 3;
  picture.given = picture.stored = PictureSample::U8;
  picture.pixels = pixels.data();
  writeThroughCodec(path, picture);
}

}  // namespace

bool canWritePicture(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png" || ext == ".exr" || ext == ".tif" || ext == ".tiff" || pictureCodec().writes(path);
}

void writePng(const World& world, const std::string& path, FileDepth depth, int level) {
  if (world.width() <= 0 || world.height() <= 0) throw HostError("cannot write '" + path + "': the picture is empty");
  writeWholeFile(path, encodePng(world, depth, level, path));
}

void writeImage(const World& world, const std::string& path, FileDepth depth, ExrColour exrColour, int pngLevel) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") {
    writePng(world, path, depth, pngLevel);
    return;
  }
  const bool exr = ext == ".exr";
  if (world.width() <= 0 || world.height() <= 0) throw HostError("cannot write '" + path + "': the picture is empty");
  if (!exr && ext != ".tif" && ext != ".tiff") {
    writeOtherPicture(world, path);
    return;
  }
  const SampleType type = exr || depth == FileDepth::FLOAT ? SampleType::F32
                          : depth == FileDepth::EIGHT      ? SampleType::U8
                                                           : SampleType::U16;
  const std::size_t sampleBytes = type == SampleType::U8 ? 1 : type == SampleType::U16 ? 2 : 4;
  const std::size_t rowBytes = static_cast<std::size_t>(world.width()) * 4 * sampleBytes;
  std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(world.height()));
  const bool linear = exr && exrColour == ExrColour::LINEAR;
  exportPixels(world, pixels.data(), rowBytes, type, exr && !linear);
  if (linear) {
    // Straight sRGB-encoded colour, decoded to linear light, then multiplied by alpha.
    auto* p = reinterpret_cast<float*>(pixels.data());
    const std::size_t count = static_cast<std::size_t>(world.width()) * static_cast<std::size_t>(world.height());
    srgbToLinear(p, count, 4);
    for (std::size_t i = 0; i < count; ++i, p += 4) {
      for (int k = 0; k < 3; ++k) p[k] *= p[3];
    }
  }
  PictureToWrite picture;
  picture.width = world.width();
  picture.height = world.height();
  picture.channels = 4;
  picture.given = type == SampleType::F32  ? PictureSample::F32
                  : type == SampleType::U8 ? PictureSample::U8
                                           : PictureSample::U16;
  picture.pixels = pixels.data();
  picture.stored = exr ? PictureSample::HALF : picture.given;
  picture.straightAlpha = !exr;
  picture.zip = exr;
  // What the values are, for the programs that read the file: Rec. 709 primaries, and whether the
  // values are sRGB-encoded or linear light.
  picture.rec709 = exr;
  if (exr) picture.colourSpace = linear ? "linear Rec.709" : "sRGB";
  writeThroughCodec(path, picture);
}

}  // namespace plenorium::host
