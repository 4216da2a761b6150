#include <png.h>

#include <cstring>

#include "png_decoder.h"

namespace plenorium {

struct PngDecoder::State {
  png_image image;
};

PngDecoder::PngDecoder(const std::string& path) : state_(std::make_unique<State>()) {
  std::memset(&state_->image, 0, sizeof(state_->image));
  state_->image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&state_->image, path.c_str()) == 0) return;
  width_ = state_->image.width;
  height_ = state_->image.height;
}

PngDecoder::~PngDecoder() {
  png_image_free(&state_->image);
}

bool PngDecoder::readARGB(std::uint8_t* out) {
  if (width_ == 0 || height_ == 0) return false;
  // Straight (not premultiplied) 8-bit samples, alpha first.
  state_->image.format = PNG_FORMAT_ARGB;
  return png_image_finish_read(&state_->image, nullptr, out, static_cast<png_int_32>(width_ * 4), nullptr) != 0;
}

}  // namespace plenorium
