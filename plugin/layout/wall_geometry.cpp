#include "wall_geometry.h"

#include <algorithm>
#include <cmath>

#include "host_units.h"

namespace plenorium {
namespace {

// Far outside any buffer the host will make, yet far from integer overflow when sizes are added.
constexpr double PIXEL_LIMIT = 1 << 28;

float ratio(const PF_RationalScale& r) {
  return r.den == 0 ? 1.0f : static_cast<float>(r.num) / static_cast<float>(r.den);
}

float startFor(WallAlign align, float anchor, float total) {
  switch (align) {
    case ALIGN_START: return anchor;
    case ALIGN_CENTER: return anchor - total * 0.5f;
    case ALIGN_END: return anchor - total;
    default: return 0.0f;
  }
}

}  // namespace

A_long saturatingPixel(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<A_long>(std::clamp(value, -PIXEL_LIMIT, PIXEL_LIMIT));
}

void fillWallGeometry(WallLayout& layout, const PF_InData& in_data, const WallParams& params, A_long inputOriginX,
                      A_long inputOriginY) {
  const float par = ratio(in_data.pixel_aspect_ratio);
  const float dsx = ratio(in_data.downsample_x);
  const float dsy = ratio(in_data.downsample_y);
  const float ax = dsx / par;
  layout.aspect = ax / dsy;
  layout.methodInUse = popupValue(params, PARAM_SELECTION_METHOD);
  layout.alignH = static_cast<WallAlign>(popupValue(params, PARAM_ALIGN_H));
  layout.alignV = static_cast<WallAlign>(popupValue(params, PARAM_ALIGN_V));

  const double scale = layout.globalScale;
  layout.screenWidthPx = static_cast<float>(scale * sliderValue(params, PARAM_SCREEN_WIDTH) * ax);
  layout.screenHeightPx = static_cast<float>(scale * sliderValue(params, PARAM_SCREEN_HEIGHT) * dsy);
  layout.gapXPx = static_cast<float>(scale * sliderValue(params, PARAM_GAP_X) * ax);
  layout.gapYPx = static_cast<float>(scale * sliderValue(params, PARAM_GAP_Y) * dsy);

  const PF_PointDef& point = params[PARAM_WALL_POSITION].u.td;
  layout.wallX = static_cast<float>(fromFixed(point.x_value) - inputOriginX);
  layout.wallY = static_cast<float>(fromFixed(point.y_value) - inputOriginY);
}

ScreenRect screenRect(const WallLayout& layout, int screen) {
  const float columns = static_cast<float>(layout.columns);
  const float rows = static_cast<float>(layout.rows);
  const float totalW = (columns - 1.0f) * layout.gapXPx + columns * layout.screenWidthPx;
  const float totalH = (rows - 1.0f) * layout.gapYPx + rows * layout.screenHeightPx;
  const float startX = startFor(layout.alignH, layout.wallX, totalW);
  const float startY = startFor(layout.alignV, layout.wallY, totalH);

  const int column = layout.columns > 0 ? screen % layout.columns : 0;
  const int row = layout.columns > 0 ? screen / layout.columns : 0;
  ScreenRect r{};
  r.x0 = (layout.gapXPx + layout.screenWidthPx) * static_cast<float>(column) + startX;
  r.y0 = (layout.gapYPx + layout.screenHeightPx) * static_cast<float>(row) + startY;
  r.cx = layout.screenWidthPx * 0.5f + r.x0;
  r.cy = layout.screenHeightPx * 0.5f + r.y0;
  return r;
}

TileSize tileSize(const WallLayout& layout) {
  return {saturatingPixel(std::ceil(layout.screenWidthPx)), saturatingPixel(std::ceil(layout.screenHeightPx))};
}

PF_Rect neutralDestRect(const ScreenRect& rect, TileSize tile) {
  PF_Rect r{};
  r.left = saturatingPixel(std::floor(rect.x0)) - 1;
  r.top = saturatingPixel(std::floor(rect.y0)) - 1;
  r.right = r.left + tile.width + 2;
  r.bottom = r.top + tile.height + 2;
  return r;
}

}  // namespace plenorium
