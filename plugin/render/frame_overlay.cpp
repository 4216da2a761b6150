#include "frame_overlay.h"

#include <cmath>

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

void drawFrameOnTile(RenderPass& pass, EffectWorld& tile) {
  const WallLayout& l = pass.layout;
  const PF_EffectWorld& frame = pass.framePicture;
  PF_FloatMatrix m;
  buildScreenMatrix(m, l.screenWidthPx * 0.5f, l.screenHeightPx * 0.5f,
                    l.screenWidthPx / static_cast<float>(frame.width),
                    l.screenHeightPx / static_cast<float>(frame.height), 0, frame.width, frame.height, 1, 1);
  const PF_Rect rect{0, 0, pass.tile.width, pass.tile.height};
  pass.record(transformInto(pass, frame, tile.view, m, PF_Xfer_IN_FRONT, 255, rect));
}

void drawFramedScreen(RenderPass& pass, const ScreenSlot& slot, float x0, float y0, const PF_EffectWorld& source,
                      A_u_char opacityByte, const ScreenScale& s) {
  const WallLayout& l = pass.layout;
  PF_EffectWorld& output = *pass.output;
  EffectWorld screenLayer = newFilledWorld(pass, output.width, output.height, TRANSPARENT);
  if (!screenLayer) return;

  const ScreenPlacement at = placeScreen(l, x0, y0, s.sx, s.sy, slot.finalRotateZ, source.width, source.height);
  const float cx = at.cx, cy = at.cy;
  const PF_Rect& rect = at.destRect;
  const double p = static_cast<float>(1.0 / l.aspect);
  PF_FloatMatrix content;
  buildScreenMatrix(content, static_cast<float>(source.width) * l.fitOffsetX + static_cast<float>(source.width / 2),
                    static_cast<float>(source.height) * l.fitOffsetY + static_cast<float>(source.height / 2),
                    l.fitScaleX, l.fitScaleY, 0, source.width, source.height, 1, 1);
  concatMatrix(at.matrix, content);  // the fit first, then the screen
  const PF_EffectWorld& frame = pass.framePicture;
  const ScreenScale frameScale = screenScale(l, slot, frame.width, frame.height);
  PF_FloatMatrix frameMatrix;
  buildScreenMatrix(frameMatrix, cx, cy, frameScale.sx, frameScale.sy, slot.finalRotateZ, frame.width, frame.height, p,
                    p);

  if (!pass.maskWorld) {
    pass.whiteWorld = newFilledWorld(pass, output.width, output.height, WHITE);
    pass.maskWorld = newFilledWorld(pass, output.width, output.height, TRANSPARENT);
  }
  if (pass.ok()) pass.record(transformInto(pass, source, screenLayer.view, content, PF_Xfer_IN_FRONT, 255, rect));
  if (pass.ok()) pass.record(transformInto(pass, frame, screenLayer.view, frameMatrix, PF_Xfer_IN_FRONT, 255, rect));
  if (pass.ok() && pass.maskWorld && pass.whiteWorld) {
    const PF_EffectWorld& white = pass.whiteWorld.view;
    const ScreenScale matteScale = screenScale(l, slot, white.width, white.height);
    PF_FloatMatrix matte;
    buildScreenMatrix(matte, cx, cy, matteScale.sx, matteScale.sy, slot.finalRotateZ, white.width, white.height, p, p);
    pass.record(pass.in_data->utils->fill(pass.in_data->effect_ref, nullptr, nullptr, &pass.maskWorld.view));
    if (pass.ok()) pass.record(transformInto(pass, white, pass.maskWorld.view, matte, PF_Xfer_IN_FRONT, 255, rect));
    if (pass.ok()) {
      const PF_CompositeMode mode{PF_Xfer_IN_FRONT, 1, opacityByte, 0, 0};
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
