// What a plug-in's `effect_ref` points at: the module's driver and, for commands sent to one
// effect instance, that instance, its layer and the state of the frame being rendered.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "AE_Effect.h"
#include "pixel_host.h"
#include "project.h"

namespace plenorium::host {

class EffectDriver;
class RenderSession;

struct RenderSettings {
  PixelDepth depth = PixelDepth::U8;
  int downsample = 1;  // 1 full, 2 half, 3 third, 4 quarter
};

// One input the effect asked for in pre-render, and its pixels once checked out in render.
struct LayerCheckout {
  PF_ParamIndex index = 0;
  A_long time = 0;
  A_long step = 0;
  A_u_long scale = 1;
  const Layer* layer = nullptr;  // null: the parameter names no layer
  SharedWorld world;             // rendered on checkout (not for the input, which is borrowed)
  PF_EffectWorld view{};
  bool checkedOut = false;
};

struct EffectContext {
  EffectDriver* driver = nullptr;
  RenderSession* session = nullptr;
  Layer* layer = nullptr;
  EffectInstance* effect = nullptr;
  int effectIndex = 0;
  RenderSettings settings;

  // The frame in progress.
  const World* input = nullptr;
  std::map<A_long, std::unique_ptr<LayerCheckout>> checkouts;
  PF_LRect resultRect{0, 0, 0, 0};  // the output extent the effect declared in pre-render
  OwnedWorld output;
  PF_EffectWorld outputView{};
  bool outputCheckedOut = false;
  // Why the host refused the effect something, for the error message when the effect then fails.
  std::string refusal;
};

inline EffectContext* contextOf(PF_ProgPtr effect_ref) {
  return reinterpret_cast<EffectContext*>(effect_ref);
}

}  // namespace plenorium::host
