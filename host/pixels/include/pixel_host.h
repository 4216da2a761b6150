// The pixel engine served to plug-ins: the worlds they create and the suites and utility
// callbacks through which they fill, transform and transfer pixels. Every world is counted.
#pragma once

#include <map>
#include <memory>
#include <unordered_set>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "bounded_cache.h"
#include "host_core.h"
#include "pixel_engine.h"
#include "world.h"

namespace plenorium::host {

class PixelHost {
 public:
  // Registers the world, transform and fill suites with `core` and provides its utility callbacks.
  // `threads`: 0 for one per core. `cacheBytes`: the one memory budget of the host's caches.
  PixelHost(HostCore& core, unsigned threads = 0, std::size_t cacheBytes = MemoryBudget::DEFAULT_BYTES);
  ~PixelHost();
  PixelHost(const PixelHost&) = delete;
  PixelHost& operator=(const PixelHost&) = delete;

  PixelEngine& engine() { return engine_; }
  HostCore& core() { return core_; }

  // A new world, transparent unless `clear` is false: then a reused world keeps whatever it held,
  // for a caller that writes every pixel.
  World& create(PixelDepth depth, A_long width, A_long height, bool clear = true);
  bool dispose(const World* world);
  // The world a view or handle refers to, or null when it is not one of ours.
  World* find(const PF_EffectWorld* view) const;
  World* find(AEGP_WorldH handle) const;
  std::size_t liveWorlds() const { return worlds_.size(); }

  static AEGP_WorldH handleOf(const World& world) { return reinterpret_cast<AEGP_WorldH>(const_cast<World*>(&world)); }

 private:
  HostCore& core_;
  PixelEngine engine_;
  std::map<const void*, std::unique_ptr<World>> worlds_;  // by pixel address
  std::unordered_set<const World*> handles_;              // to check handles before use
  std::uint64_t nextSerial_ = 1;
  // Disposed worlds kept for reuse, by serial, within the budget: a render makes and drops worlds
  // of the same few sizes many times, and fresh memory costs a page fault and a kernel clear per
  // page, where a kept world needs only its drawn rectangle cleared.
  BoundedCache<std::uint64_t, std::unique_ptr<World>> kept_;

  // The plug-ins' utility callbacks: the table is the host's to hand out, so each host has its own.
  PF_UtilCallbacks utils_;
};

// A world the host made for its own work, disposed (and counted back) when it goes out of scope.
class OwnedWorld {
 public:
  OwnedWorld() = default;
  OwnedWorld(PixelHost& host, World& world) : host_(&host), world_(&world) {}
  ~OwnedWorld() { reset(); }
  OwnedWorld(OwnedWorld&& other) noexcept : host_(other.host_), world_(other.world_) { other.world_ = nullptr; }
  OwnedWorld& operator=(OwnedWorld&& other) noexcept {
    if (this != &other) {
      reset();
      host_ = other.host_;
      world_ = other.world_;
      other.world_ = nullptr;
    }
    return *this;
  }
  OwnedWorld(const OwnedWorld&) = delete;
  OwnedWorld& operator=(const OwnedWorld&) = delete;

  World* get() const { return world_; }
  World& operator*() const { return *world_; }
  World* operator->() const { return world_; }
  explicit operator bool() const { return world_ != nullptr; }
  void reset() {
    if (world_ != nullptr && host_ != nullptr) host_->dispose(world_);
    world_ = nullptr;
  }

 private:
  PixelHost* host_ = nullptr;
  World* world_ = nullptr;
};

// A host picture that several users read (a source shown on many screens, a cached item);
// disposed when the last user lets go. Readers must not change its pixels.
using SharedWorld = std::shared_ptr<OwnedWorld>;

inline SharedWorld share(OwnedWorld world) {
  return std::make_shared<OwnedWorld>(std::move(world));
}

}  // namespace plenorium::host
