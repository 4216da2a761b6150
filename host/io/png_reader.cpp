#include "png_reader.h"

#include <png.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "host_error.h"

namespace plenorium::host {
namespace {

// What the libpng callbacks share with the reader: the file and the first cause of failure.
struct ReadState {
  std::FILE* file = nullptr;
  std::string failure;
};

void readBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* state = static_cast<ReadState*>(png_get_io_ptr(png));
  if (std::fread(data, 1, size, state->file) != size) {
    state->failure = std::ferror(state->file) ? std::strerror(errno) : "the file ends early";
    png_error(png, "read failed");
  }
}

void recordError(png_structp png, png_const_charp message) {
  auto* state = static_cast<ReadState*>(png_get_error_ptr(png));
  if (state->failure.empty()) state->failure = message;
  png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// libpng's two structures, destroyed together on every way out.
struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

// The reading itself, in a frame of its own: a long jump out of libpng leaves it, so no local of
// the frame that set the jump point changes after the jump point was set.
[[gnu::noinline]] void decode(png_structp png, png_infop info, PngHeader& header, std::vector<std::uint8_t>* pixels,
                              std::vector<png_bytep>& rows, const std::function<void(const PngHeader&)>& admit) {
  png_read_info(png, info);
  header.width = static_cast<int>(png_get_image_width(png, info));
  header.height = static_cast<int>(png_get_image_height(png, info));
  header.sixteenBit = png_get_bit_depth(png, info) == 16;
  const float aspect = png_get_pixel_aspect_ratio(png, info);
  header.pixelAspect = aspect > 0 ? aspect : 1.0;
  if (pixels == nullptr) return;
  if (admit) admit(header);
  png_set_expand(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  if (header.sixteenBit && std::endian::native == std::endian::little) png_set_swap(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = static_cast<std::size_t>(header.width) * 4 * (header.sixteenBit ? 2 : 1);
  if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row layout");
  pixels->resize(rowBytes * static_cast<std::size_t>(header.height));
  rows.resize(static_cast<std::size_t>(header.height));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = pixels->data() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
}

// Reads the header, and the pixels when `pixels` is given. libpng reports errors by long jump, so
// every object with a destructor is made before the jump point and none is made after it.
PngHeader read(const std::string& file, std::vector<std::uint8_t>* pixels,
               const std::function<void(const PngHeader&)>& admit) {
  std::unique_ptr<std::FILE, FileCloser> handle(std::fopen(file.c_str(), "rb"));
  if (!handle) throw HostError("'" + file + "': cannot read the picture (" + std::strerror(errno) + ")");
  ReadState state;
  state.file = handle.get();
  PngHeader header;
  std::vector<png_bytep> rows;
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, recordError, ignoreWarning);
  if (structs.png != nullptr) structs.info = png_create_info_struct(structs.png);
  if (structs.info == nullptr) throw HostError("'" + file + "': cannot read the picture (out of memory)");
  png_structp png = structs.png;
  png_infop info = structs.info;
  if (setjmp(png_jmpbuf(png))) throw HostError("'" + file + "': cannot read the picture (" + state.failure + ")");
  png_set_read_fn(png, &state, readBytes);
  decode(png, info, header, pixels, rows, admit);
  return header;
}

}  // namespace

PngHeader readPngHeader(const std::string& file) {
  return read(file, nullptr, {});
}

PngHeader readPng(const std::string& file, std::vector<std::uint8_t>& pixels,
                  const std::function<void(const PngHeader&)>& admit) {
  return read(file, &pixels, admit);
}

}  // namespace plenorium::host
