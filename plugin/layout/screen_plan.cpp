#include "screen_plan.h"

#include "screen_transform.h"

namespace plenorium {

float fitCentre(float size, float offset) {
  return size * 0.5f + offset * size;
}

TilePlan planTile(const WallLayout& layout, TileSize tile, PictureSize source, std::optional<PictureSize> frame) {
  const WallGrid& g = layout.grid;
  const WallControls& c = layout.controls;
  TilePlan plan;
  plan.rect = PF_Rect{0, 0, tile.width, tile.height};
  if (source.width > 0 && source.height > 0) {
    const float sx = g.screenWidthPx / static_cast<float>(source.width) * c.fitScaleX;
    const float sy = g.screenHeightPx / static_cast<float>(source.height) * c.fitScaleY;
    buildScreenMatrix(plan.content, {.x = fitCentre(g.screenWidthPx, c.fitOffsetX),
                                     .y = fitCentre(g.screenHeightPx, c.fitOffsetY),
                                     .sx = sx,
                                     .sy = sy,
                                     .width = source.width,
                                     .height = source.height});
  }
  if (frame) {
    buildScreenMatrix(plan.frame, {.x = g.screenWidthPx * 0.5f,
                                   .y = g.screenHeightPx * 0.5f,
                                   .sx = g.screenWidthPx / static_cast<float>(frame->width),
                                   .sy = g.screenHeightPx / static_cast<float>(frame->height),
                                   .width = frame->width,
                                   .height = frame->height});
  }
  return plan;
}

ScreenPlan planScreen(const WallLayout& layout, TileSize tile, const ScreenRequest& request) {
  ScreenPlan plan;
  const ScreenSlot& slot = *request.slot;
  if (!isScreenVisible(request.currentTime, request.timeScale, slot.timeOffset)) return plan;
  if (slot.controls.isNeutral != 0 && request.hasTile) {
    const ScreenPlacement at = placeNeutralScreen(layout, request.rect, tile);
    plan.drawing = ScreenDrawing::FROM_TILE;
    plan.destRect = at.destRect;
    plan.content = at.matrix;
    return plan;
  }
  const PictureSize source = request.source;
  if (source.width <= 0 || source.height <= 0) return plan;
  plan.opacity = opacityByte(slot.controls.opacity);
  const ScreenScale s = screenScale(layout, slot, source.width, source.height);
  if (s.sx == 0.0f || s.sy == 0.0f) return plan;
  const ScreenPlacement at =
      placeScreen(layout, request.rect.x0, request.rect.y0, s.sx, s.sy, slot.finalRotateZ, source.width, source.height);
  plan.destRect = at.destRect;
  plan.content = at.matrix;
  if (!request.frame) {
    plan.drawing = ScreenDrawing::DIRECT;
    return plan;
  }

  // Framed: the fit in the source's own pixels first (scaled about the fit's centre), then the
  // screen; the frame and the matte get the screen's size, scale, tilt and turn.
  plan.drawing = ScreenDrawing::FRAMED;
  const WallControls& c = layout.controls;
  PF_FloatMatrix fit;
  buildScreenMatrix(fit, {.x = fitCentre(static_cast<float>(source.width), c.fitOffsetX),
                          .y = fitCentre(static_cast<float>(source.height), c.fitOffsetY),
                          .sx = c.fitScaleX,
                          .sy = c.fitScaleY,
                          .width = source.width,
                          .height = source.height});
  concatMatrix(at.matrix, fit);
  plan.content = fit;
  // A picture of `size` given the screen's size, scale, tilt and turn, centred on the screen.
  const double p = static_cast<float>(1.0 / layout.grid.aspect);
  const auto overTheScreen = [&](PictureSize size, PF_FloatMatrix& matrix) {
    const ScreenScale scale = screenScale(layout, slot, size.width, size.height);
    buildScreenMatrix(matrix, {.x = at.cx,
                               .y = at.cy,
                               .sx = scale.sx,
                               .sy = scale.sy,
                               .rotationDeg = slot.finalRotateZ,
                               .width = size.width,
                               .height = size.height,
                               .preScaleX = p,
                               .postScaleX = p});
  };
  overTheScreen(*request.frame, plan.frame);
  overTheScreen(request.output, plan.matte);  // the white picture has the output's size
  return plan;
}

}  // namespace plenorium
