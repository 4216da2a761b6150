// The Windows decoder: GDI+ through its flat interface, inside a host process that has started it.
#include <windows.h>

#include <cstring>
#include <vector>

#include "png_decoder.h"

// The few flat GDI+ functions the decoder needs, declared here with their published signatures so
// that the C++ wrapper classes of the SDK headers stay out of the effect.
extern "C" {
struct GpBitmapOpaque;
struct GpRectInt {
  INT X, Y, Width, Height;
};
struct GpBitmapData {
  UINT Width;
  UINT Height;
  INT Stride;
  INT PixelFormat;
  void* Scan0;
  UINT_PTR Reserved;
};
int WINAPI GdipCreateBitmapFromFileICM(const WCHAR* filename, GpBitmapOpaque** bitmap);
int WINAPI GdipGetImageWidth(GpBitmapOpaque* image, UINT* width);
int WINAPI GdipGetImageHeight(GpBitmapOpaque* image, UINT* height);
int WINAPI GdipBitmapLockBits(GpBitmapOpaque* bitmap, const GpRectInt* rect, UINT flags, INT format,
                              GpBitmapData* locked);
int WINAPI GdipBitmapUnlockBits(GpBitmapOpaque* bitmap, GpBitmapData* locked);
int WINAPI GdipDisposeImage(GpBitmapOpaque* image);
}

namespace plenorium {
namespace {

constexpr int GDIP_OK = 0;
constexpr UINT IMAGE_LOCK_MODE_READ = 1;
constexpr INT PIXEL_FORMAT_32BPP_ARGB = 0x26200A;

// Paths arrive as narrow text. UTF-8 is tried first (the usual encoding of our host's paths), then
// the system's ANSI code page; a pure ASCII path reads the same either way.
std::vector<WCHAR> widenPath(const std::string& path) {
  for (const UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int length = MultiByteToWideChar(codePage, flags, path.c_str(), -1, nullptr, 0);
    if (length <= 0) continue;
    std::vector<WCHAR> wide(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(codePage, flags, path.c_str(), -1, wide.data(), length) == length) return wide;
  }
  return {};
}

}  // namespace

struct PngDecoder::State {
  GpBitmapOpaque* bitmap = nullptr;
};

PngDecoder::PngDecoder(const std::string& path) : state_(std::make_unique<State>()) {
  const std::vector<WCHAR> widePath = widenPath(path);
  if (widePath.empty() || GdipCreateBitmapFromFileICM(widePath.data(), &state_->bitmap) != GDIP_OK) {
    state_->bitmap = nullptr;
    return;
  }
  UINT width = 0;
  UINT height = 0;
  if (GdipGetImageWidth(state_->bitmap, &width) != GDIP_OK) width = 0;
  if (GdipGetImageHeight(state_->bitmap, &height) != GDIP_OK) height = 0;
  width_ = width;
  height_ = height;
}

PngDecoder::~PngDecoder() {
  if (state_->bitmap != nullptr) GdipDisposeImage(state_->bitmap);
}

bool PngDecoder::readARGB(std::uint8_t* out) {
  if (state_->bitmap == nullptr || width_ == 0 || height_ == 0) return false;
  const GpRectInt whole{0, 0, static_cast<INT>(width_), static_cast<INT>(height_)};
  GpBitmapData locked{};
  if (GdipBitmapLockBits(state_->bitmap, &whole, IMAGE_LOCK_MODE_READ, PIXEL_FORMAT_32BPP_ARGB, &locked) != GDIP_OK) {
    return false;
  }
  // Straight 32-bit ARGB lies in memory as blue, green, red, alpha; rows may run bottom up
  // (negative stride), so each row is addressed from the first one.
  const auto* firstRow = static_cast<const std::uint8_t*>(locked.Scan0);
  for (std::uint32_t y = 0; y < height_; ++y) {
    const std::uint8_t* row = firstRow + static_cast<std::ptrdiff_t>(y) * locked.Stride;
    std::uint8_t* target = out + static_cast<std::size_t>(y) * width_ * 4;
    for (std::uint32_t x = 0; x < width_; ++x) {
      const std::uint8_t* bgra = row + static_cast<std::size_t>(x) * 4;
      target[x * 4 + 0] = bgra[3];
      target[x * 4 + 1] = bgra[2];
      target[x * 4 + 2] = bgra[1];
      target[x * 4 + 3] = bgra[0];
    }
  }
  return GdipBitmapUnlockBits(state_->bitmap, &locked) == GDIP_OK;
}

}  // namespace plenorium
