// The pictures of footage, solids and patterns at one frame, kept for later requests of the same
// frame within the engine's memory budget. Compositions are not kept: they change with their
// effects. A picture is kept from its second request on: a render going forward asks for each
// video frame once, and keeping those would fill the budget with frames never asked for again, in
// fresh memory for every one, where pictures asked for again (stills, held frames, a frame the
// preview shows again) are kept as before.
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

  // The picture kept under `key`, or null.
  const SharedWorld* find(const Key& key);
  // Kept pictures gain reduced copies as they are drawn: what they hold is measured anew before
  // a new picture is made. Only the pictures are measured, not the notes of pictures asked for
  // once, which are many in a long render.
  void remeasure() { pictures_.remeasure(); }
  // Keeps `world` under `key` if the key was offered before; the first time, only a note of it.
  void offer(const Key& key, SharedWorld world);

 private:
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  BoundedCache<Key, SharedWorld, KeyHash> pictures_;
  // Keys of pictures asked for once, each counted as a little memory so that notes too give way.
  BoundedCache<Key, bool, KeyHash> notes_;
};

}  // namespace plenorium::host
