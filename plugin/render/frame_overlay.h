// The TV frame around the screens: which picture a render uses, how it is baked into a group
// tile, and the framed drawing of a transformed screen through a screen-shaped matte.
#pragma once

#include "render_pass.h"
#include "screen_plan.h"

namespace plenorium {

// Sets `framePicture` and `hasFrame` for the "Frame image" choice. A built-in picture that cannot
// be viewed records the host's error; without global data the built-in pictures are unavailable
// and the choice acts as "None".
void selectFramePicture(RenderPass& pass, int frameChoice, PF_SmartRenderExtra* extra);

// Carries out a framed screen's plan: the source and the frame picture onto a screen layer, which
// is composited onto the output through the screen-shaped matte at the plan's opacity.
void drawFramedScreen(RenderPass& pass, const ScreenPlan& plan, const PF_EffectWorld& source);

}  // namespace plenorium
