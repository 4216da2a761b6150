// The record of one pre-render or render pass: grid counts, pixel geometry, seeds, the source
// groups and the source list. Owned by the pass; everything in it is freed when the pass ends.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "AE_Effect.h"
#include "wall_params.h"

namespace plenorium {

// Grids are bounded so that every per-screen table stays within 100 × 100 screens.
inline constexpr int MAX_GRID_COUNT = 100;

// One source shown at one source time, with the screens (ascending) that show it.
struct SourceGroup {
  std::int32_t sourceIndex = 0;
  float sourceTime = 0;  // seconds ahead of the current time, a whole number of frames
  std::vector<std::int32_t> screens;
};

// The stages of a pass's layout, each its own type so that their order is kept by what each
// takes: the controls are read once into a WallControls; the grid's pixels (WallGrid, built by
// wallGridFor in wall_geometry.h) and the source groups are both made from it.

// What the controls say about the wall, read once per pass.
struct WallControls {
  std::int32_t columns = 0;
  std::int32_t rows = 0;
  float globalScale = 0;
  bool randomOrder = false;
  float randomTime = 0;
  std::int32_t orderSeed = 0;  // seeds as the random generator takes them
  std::int32_t transformSeed = 0;
  std::int32_t method = 0;  // how the sources are chosen (SELECT_...)
  WallAlign alignH{};       // a value that is not an alignment (0 here) places the wall at the buffer's origin
  WallAlign alignV{};
  double screenWidth = 0;  // the size controls, in the layer's pixels before Global Scale
  double screenHeight = 0;
  double gapX = 0;
  double gapY = 0;
  PF_Fixed wallX = 0;  // the Wall position control, layer pixels in 16.16
  PF_Fixed wallY = 0;
  float timeOffsetMax = 0;  // the largest screen delay, seconds
  float fitOffsetX = 0;     // the picture inside a TV frame; neutral without one
  float fitOffsetY = 0;
  float fitScaleX = 1;
  float fitScaleY = 1;

  int screenCount() const { return columns * rows; }
};

WallControls readWallControls(const WallParams& params);

// The wall in the output buffer's pixels.
struct WallGrid {
  std::int32_t columns = 0;
  std::int32_t rows = 0;
  float aspect = 1;  // horizontal over vertical pixel scale (pixel aspect and downsampling)
  WallAlign alignH{};
  WallAlign alignV{};
  float wallX = 0;  // the anchor, relative to the input buffer's origin
  float wallY = 0;
  float screenWidthPx = 0;
  float screenHeightPx = 0;
  float gapXPx = 0;
  float gapYPx = 0;
};

// Which source each screen shows, and at which source time, grouped by the two (screens
// ascending), from the controls, the number of sources and the host's time base.
std::vector<SourceGroup> sourceGroupsFor(const WallControls& controls, std::int32_t sourceCount,
                                         const PF_InData& in_data);

// The record of one pass. A pre-render fills the sources and the groups; a render also the grid.
struct WallLayout {
  WallControls controls;
  WallGrid grid;
  std::int32_t sourceCount = 0;
  std::vector<std::int32_t> sourceParams;
  std::vector<SourceGroup> groups;

  int screenCount() const { return controls.screenCount(); }
};

// Finds groups by (source, time) in constant time, appending a group when there is none yet.
// Equal times compare equal as floats, so the two zeros share a group; the times a layout makes
// are never NaN.
class SourceGroupIndex {
 public:
  explicit SourceGroupIndex(std::vector<SourceGroup>& groups);
  SourceGroup& findOrAdd(std::int32_t sourceIndex, float sourceTime);

 private:
  std::vector<SourceGroup>& groups_;
  std::unordered_map<std::uint64_t, std::size_t> positions_;
};

}  // namespace plenorium
