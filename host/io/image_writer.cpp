#include "image_writer.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "host_error.h"
#include "output_file.h"
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

// The OpenImageIO formats that are pictures to write (its "ffmpeg" reader and the null and
// terminal outputs are not).
std::unique_ptr<OIIO::ImageOutput> pictureOutput(const std::string& path) {
  auto out = OIIO::ImageOutput::create(path);
  if (!out) return nullptr;
  const std::string format = out->format_name();
  if (format == "ffmpeg" || format == "null" || format == "term") return nullptr;
  return out;
}

// Any other format OpenImageIO writes, at 8 bits: with straight alpha where the format keeps
// alpha, otherwise colour over black.
void writeOtherPicture(const World& world, const std::string& path) {
  auto out = pictureOutput(path);
  if (!out) throw HostError("cannot write '" + path + "': unknown picture type " + fs::path(path).extension().string());
  const bool alpha = out->supports("alpha") != 0;
  const std::size_t width = static_cast<std::size_t>(world.width()), height = static_cast<std::size_t>(world.height());
  std::vector<std::uint8_t> pixels(width * 4 * height);
  exportPixels(world, pixels.data(), width * 4, SampleType::U8, !alpha);
  if (!alpha) {
    for (std::size_t i = 0; i < width * height; ++i) {
      for (std::size_t k = 0; k < 3; ++k) pixels[i * 3 + k] = pixels[i * 4 + k];
    }
    pixels.resize(width * 3 * height);
  }
  OIIO::ImageSpec spec(world.width(), world.height(), alpha ? 4 : 3, OIIO::TypeDesc::UINT8);
  if (alpha) {
    spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
  }
  std::vector<unsigned char> encoded;
  OIIO::Filesystem::IOVecOutput memory(encoded);
  if (out->supports("ioproxy")) out->set_ioproxy(&memory);
  const std::string written = out->supports("ioproxy") ? path : partialPathFor(path).string();
  const bool ok = out->open(written, spec) && out->write_image(OIIO::TypeDesc::UINT8, pixels.data()) && out->close();
  if (!ok) throw HostError("cannot write '" + path + "': " + oneLine(out->geterror()));
  if (out->supports("ioproxy")) {
    writeWholeFile(path, encoded);
    return;
  }
  // Formats that write only to files of their own are moved into place when complete.
  std::error_code ec;
  fs::rename(written, replaceableTarget(path), ec);
  if (ec) {
    fs::remove(written, ec);
    throw HostError("cannot write '" + path + "': " + ec.message());
  }
}

}  // namespace

bool canWritePicture(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png" || ext == ".exr" || ext == ".tif" || ext == ".tiff" || pictureOutput(path) != nullptr;
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
  const OIIO::TypeDesc stored = exr                       ? OIIO::TypeDesc::HALF
                                : type == SampleType::U8  ? OIIO::TypeDesc::UINT8
                                : type == SampleType::U16 ? OIIO::TypeDesc::UINT16
                                                          : OIIO::TypeDesc::FLOAT;
  OIIO::ImageSpec spec(world.width(), world.height(), 4, stored);
  spec.alpha_channel = 3;
  if (!exr) spec.attribute("oiio:UnassociatedAlpha", 1);
  if (exr) spec.attribute("compression", "zip");
  // What the values are, for the programs that read the file: Rec. 709 primaries, and whether the
  // values are sRGB-encoded or linear light.
  if (exr) {
    const float primaries[8] = {0.64f, 0.33f, 0.30f, 0.60f, 0.15f, 0.06f, 0.3127f, 0.3290f};
    spec.attribute("chromaticities", OIIO::TypeDesc(OIIO::TypeDesc::FLOAT, 8), primaries);
    spec.attribute("colorSpace", linear ? "linear Rec.709" : "sRGB");
  }
  // Encoded in memory, then written by the one writer that checks every step and names the cause.
  std::vector<unsigned char> encoded;
  OIIO::Filesystem::IOVecOutput memory(encoded);
  auto out = OIIO::ImageOutput::create(path);
  if (out) out->set_ioproxy(&memory);
  const OIIO::TypeDesc given = type == SampleType::F32  ? OIIO::TypeDesc::FLOAT
                               : type == SampleType::U8 ? OIIO::TypeDesc::UINT8
                                                        : OIIO::TypeDesc::UINT16;
  const bool ok = out && out->open(path, spec) && out->write_image(given, pixels.data()) && out->close();
  if (!ok) throw HostError("cannot write '" + path + "': " + oneLine(out ? out->geterror() : OIIO::geterror()));
  writeWholeFile(path, encoded);
}

}  // namespace plenorium::host
