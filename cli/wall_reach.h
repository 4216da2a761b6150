// Walls that reach past the frame they are drawn in: the effect draws its grid centred (or
// aligned) on its Wall position, and what falls outside its layer's frame is cut off without a
// word. `check` and `render` say so, with how far.
#pragma once

#include <string>
#include <vector>

#include "project.h"

namespace plenorium::cli {

// One line for each Plenorium Maker wall in `comp` (every composition when null) whose grid, at
// the composition's start, reaches past its layer's frame.
std::vector<std::string> wallsPastTheirFrames(const host::Project& project, const host::Composition* comp = nullptr);

}  // namespace plenorium::cli
