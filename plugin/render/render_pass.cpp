#include "render_pass.h"

#include <cmath>

#include "AE_EffectCB.h"

namespace plenorium {

EffectWorld newFilledWorld(RenderPass& pass, A_long width, A_long height, const float (&argb)[4]) {
  EffectWorld world;
  const AEGP_WorldSuite2* worlds = pass.suites.worldSuite2();
  if (worlds->AEGP_New(0, worldTypeOf(pass.depth), width, height, &world.handle) != A_Err_NONE) {
    return EffectWorld{};
  }
  if (worlds->AEGP_FillOutPFEffectWorld(world.handle, &world.view) != A_Err_NONE) {
    worlds->AEGP_Dispose(world.handle);
    return EffectWorld{};
  }
  PF_Err err = PF_Err_NONE;
  switch (pass.depth) {
    case DepthCode::U8: {
      const PF_Pixel color{static_cast<A_u_char>(argb[0] * 255.0), static_cast<A_u_char>(argb[1] * 255.0),
                           static_cast<A_u_char>(argb[2] * 255.0), static_cast<A_u_char>(argb[3] * 255.0)};
      err = pass.in_data->utils->fill(pass.in_data->effect_ref, &color, nullptr, &world.view);
      break;
    }
    case DepthCode::U16: {
      const PF_Pixel16 color{static_cast<A_u_short>(argb[0] * 32768.0), static_cast<A_u_short>(argb[1] * 32768.0),
                             static_cast<A_u_short>(argb[2] * 32768.0), static_cast<A_u_short>(argb[3] * 32768.0)};
      err = pass.suites.fillMatteSuite2()->fill16(pass.in_data->effect_ref, &color, nullptr, &world.view);
      break;
    }
    default: {
      const PF_PixelFloat color{argb[0], argb[1], argb[2], argb[3]};
      err = pass.suites.fillMatteSuite2()->fill_float(pass.in_data->effect_ref, &color, nullptr, &world.view);
      break;
    }
  }
  if (err != PF_Err_NONE) {
    worlds->AEGP_Dispose(world.handle);
    return EffectWorld{};
  }
  return world;
}

void disposeWorld(RenderPass& pass, EffectWorld& world) {
  if (!world) return;
  pass.record(pass.suites.worldSuite2()->AEGP_Dispose(world.handle));
  world = EffectWorld{};
}

PF_Err transformInto(RenderPass& pass, const PF_EffectWorld& source, PF_EffectWorld& destination,
                     const PF_FloatMatrix& matrix, PF_TransferMode mode, A_u_char opacity, const PF_Rect& destRect,
                     const PF_MaskWorld* mask) {
  const PF_CompositeMode compMode{mode, 1, opacity, 0, 0};
  return pass.suites.worldTransformSuite1()->transform_world(pass.in_data->effect_ref, PF_Quality_HI,
                                                             PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, &source, &compMode,
                                                             mask, &matrix, 1, true, &destRect, &destination);
}

}  // namespace plenorium
