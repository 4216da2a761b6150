// The suites through which effects read and change the project: effects, streams, layers,
// compositions, items, render options and renders. Handles the suites hand out are counted.
#pragma once

#include <array>

#include "AE_GeneralPlug.h"
#include "host_core.h"
#include "pixel_host.h"
#include "pointer_set.h"
#include "project.h"

namespace plenorium::host {

class RenderSession;

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

// The kinds of handle the project suites hand out.
enum class HandleKind { EFFECT_REF, STREAM, STREAM_VALUE, RENDER_OPTIONS, RECEIPT, COUNT };
inline constexpr std::size_t HANDLE_KINDS = static_cast<std::size_t>(HandleKind::COUNT);

// The handles the project suites have handed out and not yet taken back, by kind, so that a
// stale or foreign handle is refused instead of followed. Each one is also counted in the
// accounting under the kind's name ("stream", "effect reference", ...).
class LiveHandles {
 public:
  explicit LiveHandles(Accounting& accounting);

  // Every handing-out counts, even of a record already live (a stream value record filled twice
  // without being disposed of), so that the missing disposal shows in the accounting.
  void add(HandleKind kind, const void* h) {
    Kind& k = kinds_[index(kind)];
    k.live.insert(h);
    k.balance->taken++;
  }
  bool remove(HandleKind kind, const void* h) {
    Kind& k = kinds_[index(kind)];
    if (!k.live.erase(h)) return false;
    k.balance->given++;
    return true;
  }
  bool contains(HandleKind kind, const void* h) const { return kinds_[index(kind)].live.contains(h); }

  static const char* name(HandleKind kind);

 private:
  static std::size_t index(HandleKind kind) { return static_cast<std::size_t>(kind); }
  struct Kind {
    PointerSet live;
    Balance* balance = nullptr;  // the accounting's line for the kind, found once
  };
  std::array<Kind, HANDLE_KINDS> kinds_;
};

// The layers, compositions and items of a project, by address, so that a handle to one of them
// is checked before it is followed. Built on first use and again when an address is not found,
// since projects may grow while they are served.
class ProjectObjects {
 public:
  explicit ProjectObjects(const Project& project) : project_(project) {}
  bool contains(HandleType type, const void* object);

 private:
  bool find(HandleType type, const void* object) const;
  void rebuild();

  const Project& project_;
  PointerSet layers_, comps_, items_;
};

// Registers the project suites with `core`. They find the project through the RenderSession
// attached to `core`.
void installModelSuites(HostCore& core);
// Has `core` check the handles the project suites hand out against `session`.
void checkSessionHandles(HostCore& core, RenderSession& session);
// Stops those checks: every such handle is refused afterwards.
void stopCheckingSessionHandles(HostCore& core);

}  // namespace plenorium::host
