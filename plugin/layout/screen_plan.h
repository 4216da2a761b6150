// What a render draws for a group's tile and for each screen, decided before anything is drawn:
// which way a screen is drawn (or not), where, through which matrices and at which opacity. The
// render only carries plans out. Pure: no host calls.
#pragma once

#include <optional>

#include "AE_Effect.h"
#include "screen_slot.h"
#include "wall_geometry.h"
#include "wall_layout.h"

namespace plenorium {

struct PictureSize {
  A_long width = 0;
  A_long height = 0;
};

// Where the fit puts a picture's centre along one side of `size` pixels: the middle, moved by
// `offset` times the size. The same rule places a source in a screen's tile and in a framed screen.
float fitCentre(float size, float offset);

// A group's tile: the source stretched to one screen through the fit, at the tile's origin, and
// the frame picture (when there is one) over the whole screen.
struct TilePlan {
  PF_Rect rect{};
  PF_FloatMatrix content{};
  PF_FloatMatrix frame{};
};
TilePlan planTile(const WallLayout& layout, TileSize tile, PictureSize source, std::optional<PictureSize> frame);

enum class ScreenDrawing {
  NONE,       // not drawn: before its delay, no picture, or scaled to nothing
  FROM_TILE,  // a neutral screen: its group's tile copied as it is
  DIRECT,     // the source transformed onto the output
  FRAMED,     // the source and the frame onto a screen layer, composited through the matte
};

struct ScreenPlan {
  ScreenDrawing drawing = ScreenDrawing::NONE;
  PF_Rect destRect{};        // what the host's work is bounded to
  PF_FloatMatrix content{};  // the source (the tile, for FROM_TILE) onto the output or screen layer
  PF_FloatMatrix frame{};    // FRAMED: the frame picture onto the screen layer
  PF_FloatMatrix matte{};    // FRAMED: a white picture of the output's size onto the matte
  A_u_char opacity = 255;
};

// What deciding one screen needs besides the layout.
struct ScreenRequest {
  const ScreenSlot* slot = nullptr;
  ScreenRect rect{};
  PictureSize source;
  bool hasTile = false;              // its group has a tile
  std::optional<PictureSize> frame;  // the frame picture, when the wall has one
  PictureSize output;                // the output's size (the matte's white picture has it)
  A_long currentTime = 0;
  A_u_long timeScale = 0;
};
ScreenPlan planScreen(const WallLayout& layout, TileSize tile, const ScreenRequest& request);

}  // namespace plenorium
