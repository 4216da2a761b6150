// The state of one smart render: the host's suites and records, the layout, the output, the
// frame picture, the render-wide worlds and the first host error. Private to plugin/render.
#pragma once

#include <optional>

#include "AE_Effect.h"
#include "host_suites.h"
#include "host_units.h"
#include "wall_geometry.h"
#include "wall_layout.h"

namespace plenorium {

// A world the render made through the host, with its view; disposed by `disposeWorld`.
struct EffectWorld {
  AEGP_WorldH handle = nullptr;
  PF_EffectWorld view{};
  explicit operator bool() const { return handle != nullptr; }
};

struct RenderPass {
  RenderPass(HostSuites& s, PF_InData* in, WallLayout& l) : suites(s), in_data(in), layout(l) {}

  HostSuites& suites;
  PF_InData* in_data;
  WallLayout& layout;
  DepthCode depth = DepthCode::U8;  // the output's depth, and the depth of every world made
  PF_EffectWorld* output = nullptr;
  TileSize tile{0, 0};

  PF_EffectWorld framePicture{};
  bool hasFrame = false;
  bool frameLayerCheckedOut = false;  // the custom frame layer, to be checked back in
  EffectWorld whiteWorld;
  EffectWorld maskWorld;

  PF_Err err = PF_Err_NONE;  // the first host error; later host calls are skipped
  void record(PF_Err e) {
    if (err == PF_Err_NONE && e != PF_Err_NONE) err = e;
  }
  bool ok() const { return err == PF_Err_NONE; }
};

// Makes a world of the render's depth filled with a straight colour (alpha, red, green, blue,
// each 0..1). A failure leaves no world and records nothing.
EffectWorld newFilledWorld(RenderPass& pass, A_long width, A_long height, const float (&argb)[4]);
// Disposes a world made by newFilledWorld; its error is recorded only if none is yet.
void disposeWorld(RenderPass& pass, EffectWorld& world);

// The host's world transform with the render's fixed quality, flags and field.
PF_Err transformInto(RenderPass& pass, const PF_EffectWorld& source, PF_EffectWorld& destination,
                     const PF_FloatMatrix& matrix, PF_TransferMode mode, A_u_char opacity, const PF_Rect& destRect,
                     const PF_MaskWorld* mask = nullptr);

}  // namespace plenorium
