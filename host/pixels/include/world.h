// A picture owned by the host: ARGB pixels, straight alpha, at 8 bits, 16 bits (0..32768) or
// float, with the bookkeeping that lets the engine skip work nobody can see: which rectangle may
// hold non-transparent pixels, and a generation that changes whenever the pixels do.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "AE_Effect.h"
#include "host_units.h"

namespace plenorium::host {

// The depth of a world the host made; never DepthCode::NONE.
using PixelDepth = DepthCode;

std::size_t bytesPerPixel(PixelDepth depth);

class ReducedCopies;
struct ReducedCopy;
class ThreadPool;

// Gives a world's block of pixels back: unmaps a block that was mapped whole (`mapped` bytes of
// it), frees any other.
struct PixelStorageRelease {
  std::size_t mapped = 0;
  void operator()(std::uint8_t* p) const;
};

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

  // Records that every pixel now holds this straight colour (alpha, red, green, blue): the world was
  // filled whole. Any later write ends it.
  void markUniform(const std::array<float, 4>& argb);
  bool isUniform() const { return uniform_; }
  const std::array<float, 4>& uniformColor() const { return uniformColor_; }

  // The current pixels reduced by area averaging to width × height, premultiplied; made on first
  // use after a change and kept until the next.
  const ReducedCopy& reducedCopy(A_long width, A_long height, ThreadPool& pool) const;
  // Frees what was derived from the pixels, as when the world is put aside.
  void dropCaches();
  // Memory the world holds: its pixels and what was derived from them.
  std::size_t heldBytes() const;

 private:
  PixelDepth depth_;
  A_long width_;
  A_long height_;
  A_long rowBytes_;
  std::unique_ptr<std::uint8_t, PixelStorageRelease> storage_;
  std::uint8_t* data_;
  PF_LRect touched_{0, 0, 0, 0};
  std::uint64_t generation_ = 1;
  std::uint64_t serial_ = 0;
  bool uniform_ = true;  // new worlds are transparent black all over
  std::array<float, 4> uniformColor_{0, 0, 0, 0};
  mutable std::unique_ptr<ReducedCopies> reduced_;
  mutable std::uint64_t reducedGeneration_ = 0;
};

bool isEmpty(const PF_LRect& r);
PF_LRect intersect(const PF_LRect& a, const PF_LRect& b);
PF_LRect unite(const PF_LRect& a, const PF_LRect& b);

}  // namespace plenorium::host
