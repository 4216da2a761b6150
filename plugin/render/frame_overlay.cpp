#include "frame_overlay.h"

#include "AE_EffectCB.h"
#include "param_index.h"
#include "pre_render.h"
#include "wall_globals.h"

namespace plenorium {
namespace {

constexpr float TRANSPARENT[4] = {0, 0, 0, 0};
constexpr float WHITE[4] = {1, 1, 1, 1};

}  // namespace

void selectFramePicture(RenderPass& pass, int frameChoice, PF_SmartRenderExtra* extra) {
  pass.hasFrame = false;
  if (frameChoice == FRAME_CUSTOM) {
    PF_EffectWorld* layer = nullptr;
    const PF_Err err = extra->cb->checkout_layer_pixels(pass.in_data->effect_ref, FRAME_LAYER_CHECKOUT, &layer);
    pass.record(err);
    pass.frameLayerCheckedOut = err == PF_Err_NONE;
    if (err == PF_Err_NONE && layer != nullptr && layer->width > 0 && layer->height > 0) {
      pass.framePicture = *layer;
      pass.hasFrame = true;
    }
    return;
  }
  if (frameChoice < FRAME_FLAT_1 || frameChoice > FRAME_RETRO) return;
  const WallGlobals* globals = wallGlobals(pass.in_data);
  if (globals == nullptr) return;
  const FrameImage& image = globals->frames[frameChoice - FRAME_FLAT_1];
  const AEGP_WorldH world = pass.depth == DepthCode::U8    ? image.world8
                            : pass.depth == DepthCode::U16 ? image.world16
                                                           : image.world32;
  const A_Err err = pass.suites.worldSuite2()->AEGP_FillOutPFEffectWorld(world, &pass.framePicture);
  pass.record(err);
  pass.hasFrame = err == A_Err_NONE && pass.framePicture.width > 0 && pass.framePicture.height > 0;
}

void drawFramedScreen(RenderPass& pass, const ScreenPlan& plan, const PF_EffectWorld& source) {
  PF_EffectWorld& output = *pass.output;
  EffectWorld screenLayer = newFilledWorld(pass, output.width, output.height, TRANSPARENT);
  if (!screenLayer) return;
  const PF_Rect& rect = plan.destRect;
  if (!pass.maskWorld) {
    pass.whiteWorld = newFilledWorld(pass, output.width, output.height, WHITE);
    pass.maskWorld = newFilledWorld(pass, output.width, output.height, TRANSPARENT);
  }
  if (pass.ok()) pass.record(transformInto(pass, source, screenLayer.view, plan.content, PF_Xfer_IN_FRONT, 255, rect));
  if (pass.ok()) {
    pass.record(transformInto(pass, pass.framePicture, screenLayer.view, plan.frame, PF_Xfer_IN_FRONT, 255, rect));
  }
  if (pass.ok() && pass.maskWorld && pass.whiteWorld) {
    pass.record(pass.in_data->utils->fill(pass.in_data->effect_ref, nullptr, nullptr, &pass.maskWorld.view));
    if (pass.ok()) {
      pass.record(
          transformInto(pass, pass.whiteWorld.view, pass.maskWorld.view, plan.matte, PF_Xfer_IN_FRONT, 255, rect));
    }
    if (pass.ok()) {
      const PF_CompositeMode mode{PF_Xfer_IN_FRONT, 1, plan.opacity, 0, 0};
      PF_MaskWorld mask{};
      mask.mask = pass.maskWorld.view;
      mask.offset = {0, 0};
      mask.what_is_mask = 0;
      pass.record(pass.suites.worldTransformSuite1()->transfer_rect(
          pass.in_data->effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, &rect, &screenLayer.view,
          &mode, &mask, rect.left, rect.top, &output));
    }
  }
  disposeWorld(pass, screenLayer);
}

}  // namespace plenorium
