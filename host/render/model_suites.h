// The suites through which effects read and change the project: effects, streams, layers,
// compositions, items, render options and renders. Handles the suites hand out are counted.
#pragma once

#include <map>
#include <set>
#include <string>

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
  void add(const std::string& kind, const void* h) { live_[kind].insert(h); }
  bool remove(const std::string& kind, const void* h) { return live_[kind].erase(h) != 0; }
  bool contains(const std::string& kind, const void* h) const {
    const auto it = live_.find(kind);
    return it != live_.end() && it->second.count(h) != 0;
  }

 private:
  std::map<std::string, std::set<const void*>> live_;
};

// Registers the project suites with `core`. They find the project through the RenderSession
// attached to `core`.
void installModelSuites(HostCore& core);

}  // namespace plenorium::host
