// Drawing into the output through the host: the tile of a source group, and one screen placed
// from its tile, transformed directly, or framed.
#pragma once

#include "render_pass.h"
#include "screen_plan.h"

namespace plenorium {

// The group's source stretched to one screen (scaled and shifted by the fit values), with the
// frame picture over it when there is one. No world when it cannot be made.
EffectWorld buildGroupTile(RenderPass& pass, const PF_EffectWorld& source);

// Carries out one screen's plan: from its group's tile, directly from the source, or framed.
void drawScreen(RenderPass& pass, const ScreenPlan& plan, const PF_EffectWorld& source, const EffectWorld* tile);

}  // namespace plenorium
