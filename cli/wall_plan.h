// How `plenorium wall` lays its clips out: the grid, the screens' size and the gap between them,
// chosen from the clips' shapes and the frame before any project is built.
#pragma once

#include <optional>
#include <vector>

namespace plenorium::cli {

// What the plan needs of the wall's options, already parsed.
struct WallShape {
  int width = 1920, height = 1080;          // the frame
  std::optional<std::pair<int, int>> grid;  // columns and rows as asked; unset: chosen here
  std::optional<double> gap;                // pixels between screens; unset: about 0.5 % of the width
  std::optional<double> screenAspect;       // width / height of a screen as asked
  bool fillFrame = false;                   // screens share out the whole frame (the cells' shape)
};

struct WallPlan {
  int columns = 1, rows = 1;
  double screenWidth = 0, screenHeight = 0;  // pixels
  double gap = 0;                            // pixels, across and down
  double screenAspect() const { return screenWidth / screenHeight; }
  int screens() const { return columns * rows; }
  // The share of the frame that no screen covers (gaps and the border around the wall).
  double background(int width, int height) const;
};

// The gap a wall of `width` pixels gets unless told: a thin seam that scales with the frame.
double defaultGap(int width);

// The shape most of the clips have (width / height as shown): clips within half a per cent of
// each other count as one shape, and of equally common shapes the first clip's wins.
double commonAspect(const std::vector<double>& clipAspects);

// The layout of `clipAspects.size()` clips in the frame. Unless a grid is asked for, it is the
// one whose screens, of the clips' common shape, cover the most of the frame while no clip shows
// more than twice; the wall is centred by the effect, so what the screens leave is a border
// around the whole wall. With `fillFrame` the screens take the shape of the frame's cells.
// Throws HostError when the gaps leave no room for the screens.
WallPlan planWall(const WallShape& shape, const std::vector<double>& clipAspects);

}  // namespace plenorium::cli
