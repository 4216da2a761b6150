#include "item_cache.h"

#include <cmath>

namespace plenorium::host {

namespace {
// What a note of a picture asked for once is counted as.
constexpr std::size_t NOTE_BYTES = 64;
}  // namespace

ItemCache::ItemCache(MemoryBudget& budget)
    : pictures_(budget, [](const SharedWorld& w) { return (*w)->heldBytes(); }),
      notes_(budget, [](bool) { return NOTE_BYTES; }) {}

const SharedWorld* ItemCache::find(const Key& key) {
  return pictures_.find(key);
}

void ItemCache::offer(const Key& key, SharedWorld world) {
  if (!world) return;
  if (notes_.take(key)) {
    pictures_.put(key, std::move(world));
  } else {
    notes_.put(key, true);
  }
}

ItemCache::Key ItemCache::keyOf(const Item& item, double time, const RenderSettings& settings) {
  const long frame = item.kind == ItemKind::SOLID ? 0 : static_cast<long>(std::floor(time * item.rate.fps() + 1e-6));
  return Key{item.id, frame, settings.downsample, settings.depth};
}

std::size_t ItemCache::KeyHash::operator()(const Key& k) const {
  std::size_t h = std::hash<int>{}(k.item);
  const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2); };
  mix(std::hash<long>{}(k.frame));
  mix(std::hash<int>{}(k.downsample));
  mix(static_cast<std::size_t>(k.depth));
  return h;
}

}  // namespace plenorium::host
