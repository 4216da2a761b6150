#include "screen_compositor.h"

#include "frame_overlay.h"

namespace plenorium {
namespace {

constexpr float TRANSPARENT[4] = {0, 0, 0, 0};

}  // namespace

EffectWorld buildGroupTile(RenderPass& pass, const PF_EffectWorld& source) {
  EffectWorld tile = newFilledWorld(pass, pass.tile.width, pass.tile.height, TRANSPARENT);
  if (!tile || !pass.ok() || source.width <= 0 || source.height <= 0) return tile;
  const std::optional<PictureSize> frame =
      pass.hasFrame ? std::optional(PictureSize{pass.framePicture.width, pass.framePicture.height}) : std::nullopt;
  const TilePlan plan = planTile(pass.layout, pass.tile, PictureSize{source.width, source.height}, frame);
  pass.record(transformInto(pass, source, tile.view, plan.content, PF_Xfer_BEHIND, 255, plan.rect));
  if (pass.hasFrame && pass.ok()) {
    pass.record(transformInto(pass, pass.framePicture, tile.view, plan.frame, PF_Xfer_IN_FRONT, 255, plan.rect));
  }
  return tile;
}

void drawScreen(RenderPass& pass, const ScreenPlan& plan, const PF_EffectWorld& source, const EffectWorld* tile) {
  if (!pass.ok()) return;
  switch (plan.drawing) {
    case ScreenDrawing::NONE: return;
    case ScreenDrawing::FROM_TILE:
      pass.record(transformInto(pass, tile->view, *pass.output, plan.content, PF_Xfer_IN_FRONT, 255, plan.destRect));
      return;
    case ScreenDrawing::DIRECT:
      pass.record(
          transformInto(pass, source, *pass.output, plan.content, PF_Xfer_IN_FRONT, plan.opacity, plan.destRect));
      return;
    case ScreenDrawing::FRAMED: drawFramedScreen(pass, plan, source); return;
  }
}

}  // namespace plenorium
