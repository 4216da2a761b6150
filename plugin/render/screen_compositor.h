// Drawing into the output through the host: the tile of a source group, and one screen placed
// from its tile, transformed directly, or framed.
#pragma once

#include "render_pass.h"
#include "screen_slot.h"

namespace plenorium {

// The group's source stretched to one screen (scaled and shifted by the fit values), with the
// frame picture over it when there is one. No world when it cannot be made.
EffectWorld buildGroupTile(RenderPass& pass, const PF_EffectWorld& source);

// Draws one visible screen at `screen`: a neutral screen from its group's tile when there is one,
// any other directly from the source, framed when there is a frame picture.
void drawScreen(RenderPass& pass, const ScreenSlot& slot, const ScreenRect& screen, const PF_EffectWorld& source,
                const EffectWorld* tile);

}  // namespace plenorium
