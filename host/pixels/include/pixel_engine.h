// The host's pixel operations: fills, the world transform and the rectangle transfer, at every
// depth, parallel over destination rows with results that do not depend on the thread count.
#pragma once

#include <memory>

#include "AE_Effect.h"
#include "composite_spec.h"
#include "memory_budget.h"
#include "pixel_types.h"
#include "thread_pool.h"
#include "world.h"

namespace plenorium::host {

class ResampleCache;

class PixelEngine {
 public:
  // threads: 0 for as many as the machine has. `cacheBytes`: the one memory budget of the host's
  // caches, this engine's and those that share its budget().
  explicit PixelEngine(unsigned threads = 0, std::size_t cacheBytes = MemoryBudget::DEFAULT_BYTES);
  ~PixelEngine();
  PixelEngine(const PixelEngine&) = delete;
  PixelEngine& operator=(const PixelEngine&) = delete;

  ThreadPool& pool() { return pool_; }
  MemoryBudget& budget() { return budget_; }

  // Fills `rect` (the whole world when null) with a straight colour in normalised channels.
  // Filling with transparent black sweeps only what may hold something.
  void fill(World& dst, const Color4& color, const PF_LRect* rect);

  // Draws `src` into `dst` through `matrix`: each destination pixel centre inside `destRect` is
  // mapped back into the source (bilinear when magnifying; area-correct when minifying: exact box
  // weights without rotation, else bilinear from an area-reduced copy of the source; transparent
  // outside the source) and composited.
  // `srcToDst` says which way the matrix maps. Identity and whole-pixel translations copy exactly.
  void transformWorld(const World& src, World& dst, const PF_FloatMatrix& matrix, bool srcToDst,
                      const CompositeSpec& spec, const PF_LRect& destRect);

  // Composites `srcRect` of `src` onto `dst` with its top-left corner at (destX, destY).
  void transferRect(const World& src, const PF_LRect& srcRect, World& dst, A_long destX, A_long destY,
                    const CompositeSpec& spec);

 private:
  ThreadPool pool_;
  MemoryBudget budget_;
  std::unique_ptr<ResampleCache> resampled_;  // axis-aligned draws kept for the next frame
};

}  // namespace plenorium::host
