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

WallGrid wallGridFor(const WallControls& controls, const PF_InData& in_data, A_long inputOriginX, A_long inputOriginY) {
  const float par = ratio(in_data.pixel_aspect_ratio);
  const float dsx = ratio(in_data.downsample_x);
  const float dsy = ratio(in_data.downsample_y);
  const float ax = dsx / par;
  WallGrid grid;
  grid.columns = controls.columns;
  grid.rows = controls.rows;
  grid.aspect = ax / dsy;
  grid.alignH = controls.alignH;
  grid.alignV = controls.alignV;

  const double scale = controls.globalScale;
  grid.screenWidthPx = static_cast<float>(scale * controls.screenWidth * ax);
  grid.screenHeightPx = static_cast<float>(scale * controls.screenHeight * dsy);
  grid.gapXPx = static_cast<float>(scale * controls.gapX * ax);
  grid.gapYPx = static_cast<float>(scale * controls.gapY * dsy);

  grid.wallX = static_cast<float>(fromFixed(controls.wallX) - inputOriginX);
  grid.wallY = static_cast<float>(fromFixed(controls.wallY) - inputOriginY);
  return grid;
}

ScreenRect screenRect(const WallGrid& grid, int screen) {
  const float columns = static_cast<float>(grid.columns);
  const float rows = static_cast<float>(grid.rows);
  const float totalW = (columns - 1.0f) * grid.gapXPx + columns * grid.screenWidthPx;
  const float totalH = (rows - 1.0f) * grid.gapYPx + rows * grid.screenHeightPx;
  const float startX = startFor(grid.alignH, grid.wallX, totalW);
  const float startY = startFor(grid.alignV, grid.wallY, totalH);

  const int column = grid.columns > 0 ? screen % grid.columns : 0;
  const int row = grid.columns > 0 ? screen / grid.columns : 0;
  ScreenRect r{};
  r.x0 = (grid.gapXPx + grid.screenWidthPx) * static_cast<float>(column) + startX;
  r.y0 = (grid.gapYPx + grid.screenHeightPx) * static_cast<float>(row) + startY;
  r.cx = grid.screenWidthPx * 0.5f + r.x0;
  r.cy = grid.screenHeightPx * 0.5f + r.y0;
  return r;
}

TileSize tileSize(const WallGrid& grid) {
  return {saturatingPixel(std::ceil(grid.screenWidthPx)), saturatingPixel(std::ceil(grid.screenHeightPx))};
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
