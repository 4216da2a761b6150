// The wall's pixel geometry in the output buffer: screen and gap sizes, the wall's start for each
// alignment, and every screen's rectangle and centre.
#pragma once

#include "AE_Effect.h"
#include "wall_layout.h"

namespace plenorium {

// Fills `aspect`, `methodInUse`, `alignH`, `alignV`, `wallX`, `wallY` and the pixel sizes from
// the parameters, the host's scale factors and the input buffer's origin. `computeWallLayout`
// must have run (it sets `globalScale`).
void fillWallGeometry(WallLayout& layout, const PF_InData& in_data, const WallParams& params, A_long inputOriginX,
                      A_long inputOriginY);

struct ScreenRect {
  float x0, y0;  // top-left corner in buffer pixels
  float cx, cy;  // centre
};

// The rectangle of screen `screen` (row-major from the top-left).
ScreenRect screenRect(const WallLayout& layout, int screen);

struct TileSize {
  A_long width, height;
};
// Whole pixels covering one screen; sizes that do not fit an integer saturate.
TileSize tileSize(const WallLayout& layout);

// Where a tile is placed for a neutral screen: one pixel of margin on every side.
PF_Rect neutralDestRect(const ScreenRect& rect, TileSize tile);

// Converts a float coordinate to a whole pixel, saturating far outside any buffer so that huge
// or non-finite scales never overflow.
A_long saturatingPixel(double value);

}  // namespace plenorium
