// The TV frame around the screens: which picture a render uses, how it is baked into a group
// tile, and the framed drawing of a transformed screen through a screen-shaped matte.
#pragma once

#include "render_pass.h"
#include "screen_slot.h"
#include "screen_transform.h"

namespace plenorium {

// Sets `framePicture` and `hasFrame` for the "Frame image" choice. A built-in picture that cannot
// be viewed records the host's error; without global data the built-in pictures are unavailable
// and the choice acts as "None".
void selectFramePicture(RenderPass& pass, int frameChoice, PF_SmartRenderExtra* extra);

// Draws the frame picture over a group tile.
void drawFrameOnTile(RenderPass& pass, EffectWorld& tile);

// The framed transform of one screen (sx and sy non-zero).
void drawFramedScreen(RenderPass& pass, const ScreenSlot& slot, float x0, float y0, const PF_EffectWorld& source,
                      A_u_char opacityByte, const ScreenScale& scale);

}  // namespace plenorium
