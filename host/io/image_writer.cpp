#include "image_writer.h"

#include <OpenImageIO/imageio.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "host_error.h"
#include "partial_file.h"
#include "pixel_transfer.h"
#include "pixel_types.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;

void discard(const fs::path& temp) {
  std::error_code ignored;
  fs::remove(temp, ignored);
}

// The last step of every write: the complete file takes the target's name.
void moveIntoPlace(const fs::path& temp, const fs::path& target, const std::string& path) {
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    discard(temp);
    throw HostError("cannot write '" + path + "': " + ec.message());
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

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

void encode(const World& world, std::FILE* file, FileDepth depth, const std::string& path) {
  std::vector<std::vector<std::uint8_t>> rows;
  for (A_long y = 0; y < world.height(); ++y) rows.push_back(encodeRow(world, y, depth));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    throw HostError("cannot write '" + path + "': out of memory");
  }
  // libpng reports errors by long jump: nothing is created or changed between here and the end.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw HostError("cannot write '" + path + "': the PNG encoder failed");
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(world.width()), static_cast<png_uint_32>(world.height()),
               depth == FileDepth::EIGHT ? 8 : 16, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  for (auto& row : rows) png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
}

}  // namespace

void writePng(const World& world, const std::string& path, FileDepth depth) {
  if (world.width() <= 0 || world.height() <= 0) throw HostError("cannot write '" + path + "': the picture is empty");
  const fs::path target(path);
  const fs::path temp = partialPathFor(target);
  {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temp.string().c_str(), "wb"));
    if (!file) throw HostError("cannot write '" + path + "': check that its folder exists and is writable");
    try {
      encode(world, file.get(), depth, path);
    } catch (...) {
      file.reset();
      discard(temp);
      throw;
    }
    if (std::fflush(file.get()) != 0) {
      file.reset();
      discard(temp);
      throw HostError("cannot write '" + path + "': the disk refused the data");
    }
  }
  moveIntoPlace(temp, target, path);
}


void writeImage(const World& world, const std::string& path, FileDepth depth) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") {
    writePng(world, path, depth);
    return;
  }
  const bool exr = ext == ".exr";
  if (!exr && ext != ".tif" && ext != ".tiff") throw HostError("cannot write '" + path + "': unknown picture type " + ext);
  if (world.width() <= 0 || world.height() <= 0) throw HostError("cannot write '" + path + "': the picture is empty");
  const SampleType type = exr ? SampleType::F32 : depth == FileDepth::EIGHT ? SampleType::U8 : SampleType::U16;
  const std::size_t sampleBytes = type == SampleType::U8 ? 1 : type == SampleType::U16 ? 2 : 4;
  const std::size_t rowBytes = static_cast<std::size_t>(world.width()) * 4 * sampleBytes;
  std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(world.height()));
  exportPixels(world, pixels.data(), rowBytes, type, exr);

  const fs::path target(path);
  const fs::path temp = partialPathFor(target);
  OIIO::ImageSpec spec(world.width(), world.height(), 4,
                       exr ? OIIO::TypeDesc::HALF : type == SampleType::U8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::UINT16);
  spec.alpha_channel = 3;
  if (!exr) spec.attribute("oiio:UnassociatedAlpha", 1);
  if (exr) spec.attribute("compression", "zip");
  auto out = OIIO::ImageOutput::create(temp.string());
  const OIIO::TypeDesc given = exr ? OIIO::TypeDesc::FLOAT : type == SampleType::U8 ? OIIO::TypeDesc::UINT8 : OIIO::TypeDesc::UINT16;
  const bool ok = out && out->open(temp.string(), spec) && out->write_image(given, pixels.data()) && out->close();
  if (!ok) {
    discard(temp);
    throw HostError("cannot write '" + path + "': " + (out ? out->geterror() : OIIO::geterror()));
  }
  moveIntoPlace(temp, target, path);
}

}  // namespace plenorium::host
