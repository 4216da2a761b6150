// Decodes a PNG picture into straight 8-bit alpha, red, green, blue, rows top first. Linux uses
// libpng; the Windows build uses the host process's GDI+.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace plenorium {

class PngDecoder {
 public:
  // Reads the file's header; width and height are 0 when it cannot be decoded.
  explicit PngDecoder(const std::string& path);
  ~PngDecoder();
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  // Writes width × height pixels as the bytes alpha, red, green, blue, rows `width × 4` apart.
  bool readARGB(std::uint8_t* out);

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

}  // namespace plenorium
