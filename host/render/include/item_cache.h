// The pictures of footage, solids and patterns at one frame, kept for later requests of the same
// frame within the engine's memory budget. Compositions are not kept: they change with their
// effects.
#pragma once

#include <cstddef>
#include <functional>

#include "bounded_cache.h"
#include "effect_context.h"
#include "pixel_host.h"
#include "project.h"

namespace plenorium::host {

class ItemCache {
 public:
  explicit ItemCache(MemoryBudget& budget);

  struct Key {
    int item;
    long frame;
    int downsample;
    PixelDepth depth;
    bool operator==(const Key&) const = default;
  };
  // The key of `item`'s picture at `time` seconds of its own (mapped) time.
  static Key keyOf(const Item& item, double time, const RenderSettings& settings);

  const SharedWorld* find(const Key& key) { return cache_.find(key); }
  // Kept pictures gain reduced copies as they are drawn: what they hold is measured anew before
  // a new picture is made.
  void remeasure() { cache_.remeasure(); }
  void put(const Key& key, SharedWorld world) { cache_.put(key, std::move(world)); }

 private:
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  BoundedCache<Key, SharedWorld, KeyHash> cache_;
};

}  // namespace plenorium::host
