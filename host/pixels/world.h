// A picture owned by the host: ARGB pixels, straight alpha, at 8 bits, 16 bits (0..32768) or
// float, with the bookkeeping that lets the engine skip work nobody can see: which rectangle may
// hold non-transparent pixels, and a generation that changes whenever the pixels do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "AE_Effect.h"

namespace plenorium::host {

enum class PixelDepth : int { U8 = 1, U16 = 2, F32 = 3 };

std::size_t bytesPerPixel(PixelDepth depth);
PF_PixelFormat pixelFormat(PixelDepth depth);

class MipChain;

class World {
 public:
  // New worlds are fully transparent.
  World(PixelDepth depth, A_long width, A_long height);
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  PixelDepth depth() const { return depth_; }
  A_long width() const { return width_; }
  A_long height() const { return height_; }
  A_long rowBytes() const { return rowBytes_; }
  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::uint8_t* row(A_long y) { return data_ + static_cast<std::ptrdiff_t>(y) * rowBytes_; }
  const std::uint8_t* row(A_long y) const { return data_ + static_cast<std::ptrdiff_t>(y) * rowBytes_; }

  // The view handed to plug-ins. Its `data` identifies this world to the engine.
  PF_EffectWorld view() const;

  // The rectangle outside which every pixel is transparent black (empty when all are).
  const PF_LRect& touched() const { return touched_; }
  // Records that pixels inside `rect` (clipped to the world) may have changed.
  void markWritten(const PF_LRect& rect);
  // Records that anything may have changed (the pixels were handed out for direct writing).
  void markAllWritten();
  // Records that the whole world is transparent black again.
  void markClear();
  std::uint64_t generation() const { return generation_; }
  // A number the host gives each world it makes (0: none), so that results computed from a
  // world can be remembered without mistaking a later world at the same address for it.
  std::uint64_t serial() const { return serial_; }
  void setSerial(std::uint64_t serial) { serial_ = serial; }

  // The premultiplied reduction pyramid of the current pixels, built on first use after a change.
  const MipChain& mipChain(class ThreadPool& pool) const;

 private:
  PixelDepth depth_;
  A_long width_;
  A_long height_;
  A_long rowBytes_;
  struct FreeStorage {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, FreeStorage> storage_;
  std::uint8_t* data_;
  PF_LRect touched_{0, 0, 0, 0};
  std::uint64_t generation_ = 1;
  std::uint64_t serial_ = 0;
  mutable std::unique_ptr<MipChain> mips_;
  mutable std::uint64_t mipsGeneration_ = 0;
};

bool isEmpty(const PF_LRect& r);
PF_LRect intersect(const PF_LRect& a, const PF_LRect& b);
PF_LRect unite(const PF_LRect& a, const PF_LRect& b);

}  // namespace plenorium::host
