// The wall's pixel geometry in the output buffer: screen and gap sizes, the wall's start for each
// alignment, and every screen's rectangle and centre.
#pragma once

#include "AE_Effect.h"
#include "wall_layout.h"

namespace plenorium {

// The grid in the output buffer's pixels: the controls' sizes scaled by Global Scale, the pixel
// aspect and the downsampling, anchored at the Wall position less the input buffer's origin.
WallGrid wallGridFor(const WallControls& controls, const PF_InData& in_data, A_long inputOriginX, A_long inputOriginY);

struct ScreenRect {
  float x0, y0;  // top-left corner in buffer pixels
  float cx, cy;  // centre
};

// The rectangle of screen `screen` (row-major from the top-left).
ScreenRect screenRect(const WallGrid& grid, int screen);

struct TileSize {
  A_long width, height;
};
// Whole pixels covering one screen; sizes that do not fit an integer saturate.
TileSize tileSize(const WallGrid& grid);

// Where a tile is placed for a neutral screen: one pixel of margin on every side.
PF_Rect neutralDestRect(const ScreenRect& rect, TileSize tile);

// Converts a float coordinate to a whole pixel, saturating far outside any buffer so that huge
// or non-finite scales never overflow.
A_long saturatingPixel(double value);

}  // namespace plenorium
