#include "screen_compositor.h"

#include "frame_overlay.h"
#include "screen_transform.h"

namespace plenorium {
namespace {

constexpr float TRANSPARENT[4] = {0, 0, 0, 0};

}  // namespace

EffectWorld buildGroupTile(RenderPass& pass, const PF_EffectWorld& source) {
  const WallLayout& l = pass.layout;
  EffectWorld tile = newFilledWorld(pass, pass.tile.width, pass.tile.height, TRANSPARENT);
  if (!tile || !pass.ok() || source.width <= 0 || source.height <= 0) return tile;
  const float cx = l.screenWidthPx * 0.5f + l.fitOffsetX * l.screenWidthPx;
  const float cy = l.screenHeightPx * 0.5f + l.fitOffsetY * l.screenHeightPx;
  const float sx = l.screenWidthPx / static_cast<float>(source.width) * l.fitScaleX;
  const float sy = l.screenHeightPx / static_cast<float>(source.height) * l.fitScaleY;
  PF_FloatMatrix m;
  buildScreenMatrix(m, cx, cy, sx, sy, 0, source.width, source.height, 1, 1);
  const PF_Rect rect{0, 0, pass.tile.width, pass.tile.height};
  pass.record(transformInto(pass, source, tile.view, m, PF_Xfer_BEHIND, 255, rect));
  if (pass.hasFrame && pass.ok()) drawFrameOnTile(pass, tile);
  return tile;
}

void drawScreen(RenderPass& pass, const ScreenSlot& slot, const ScreenRect& screen, const PF_EffectWorld& source,
                const EffectWorld* tile) {
  if (!pass.ok()) return;
  const WallLayout& l = pass.layout;
  const float x0 = screen.x0, y0 = screen.y0;
  if (slot.controls.isNeutral != 0 && tile != nullptr && *tile) {
    const ScreenPlacement at = placeNeutralScreen(l, screen, pass.tile);
    pass.record(transformInto(pass, tile->view, *pass.output, at.matrix, PF_Xfer_IN_FRONT, 255, at.destRect));
    return;
  }
  if (source.width <= 0 || source.height <= 0) return;
  const A_u_char opacity = opacityByte(slot.controls.opacity);
  const ScreenScale s = screenScale(l, slot, source.width, source.height);
  if (s.sx == 0.0f || s.sy == 0.0f) return;
  if (pass.hasFrame) {
    drawFramedScreen(pass, slot, x0, y0, source, opacity, s);
    return;
  }
  const ScreenPlacement at = placeScreen(l, x0, y0, s.sx, s.sy, slot.finalRotateZ, source.width, source.height);
  pass.record(transformInto(pass, source, *pass.output, at.matrix, PF_Xfer_IN_FRONT, opacity, at.destRect));
}

}  // namespace plenorium
