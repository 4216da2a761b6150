// The suites through which effects read and change the project: effects, streams, layers,
// compositions, items, render options and renders. Handles the suites hand out are counted.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "AE_GeneralPlug.h"
#include "host_core.h"
#include "pixel_host.h"
#include "project.h"

namespace plenorium::host {

struct EffectRefObject {
  Layer* layer;
  EffectInstance* effect;
};

struct StreamRefObject {
  Layer* layer;
  EffectInstance* effect;  // null for a layer's transform stream
  int index;               // parameter index, or the AEGP_LayerStream
  Stream* stream;
};

struct RenderOptionsObject {
  const Item* item;
  A_Time time{0, 1};
  A_Time timeStep{0, 1};
  AEGP_WorldType worldType = AEGP_WorldType_8;
  A_short downsampleX = 1;
  A_short downsampleY = 1;
};

struct ReceiptObject {
  SharedWorld world;
};

// The handles the project suites have handed out and not yet taken back, by kind, so that a
// stale or foreign handle is refused instead of followed.
class LiveHandles {
 public:
  void add(std::string_view kind, const void* h) { of(kind).insert(h); }
  bool remove(std::string_view kind, const void* h) { return of(kind).erase(h) != 0; }
  bool contains(std::string_view kind, const void* h) const {
    const auto it = live_.find(kind);
    return it != live_.end() && it->second.count(h) != 0;
  }

 private:
  // Looked up on every handle the plug-in takes or gives back: hashed, and by the kind's text as
  // given, without making a string of it.
  struct KindHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view kind) const { return std::hash<std::string_view>{}(kind); }
  };
  std::unordered_set<const void*>& of(std::string_view kind) {
    const auto it = live_.find(kind);
    return it != live_.end() ? it->second : live_[std::string(kind)];
  }
  std::unordered_map<std::string, std::unordered_set<const void*>, KindHash, std::equal_to<>> live_;
};

// Registers the project suites with `core`. They find the project through the RenderSession
// attached to `core`.
void installModelSuites(HostCore& core);

}  // namespace plenorium::host
