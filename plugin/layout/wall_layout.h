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

struct WallLayout {
  PF_ProgPtr effectRef = nullptr;
  PF_InData* inData = nullptr;
  float aspect = 1;
  std::int32_t methodInUse = 0;
  std::int32_t columns = 0;
  std::int32_t rows = 0;
  WallAlign alignH{};  // a value that is not an alignment (0 here) places the wall at the buffer's origin
  WallAlign alignV{};
  float wallX = 0;
  float wallY = 0;
  float globalScale = 0;
  float screenWidthPx = 0;
  float screenHeightPx = 0;
  float gapXPx = 0;
  float gapYPx = 0;
  float randomTime = 0;
  bool randomOrder = false;
  float timeOffsetMax = 0;  // the largest screen delay, seconds
  std::int32_t transformSeed = 0;
  float fitOffsetX = 0;
  float fitOffsetY = 0;
  float fitScaleX = 1;
  float fitScaleY = 1;
  std::vector<SourceGroup> groups;
  std::int32_t sourceCount = 0;
  std::vector<std::int32_t> sourceParams;

  int screenCount() const { return columns * rows; }
};

// Fills `columns`, `rows`, `globalScale`, `randomOrder`, `randomTime`, `transformSeed` and the
// ordered `groups` from the parameters, `sourceCount` (set before) and the host's time base.
void computeWallLayout(WallLayout& layout, const PF_InData& in_data, const WallParams& params);

// Fills what a render needs beyond `computeWallLayout` (which must have run): the pixel geometry
// for the input buffer's origin, the fit values (neutral without a frame picture) and the largest
// screen delay.
void completeWallLayout(WallLayout& layout, const PF_InData& in_data, const WallParams& params, A_long inputOriginX,
                        A_long inputOriginY);

// Finds a layout's groups by (source, time) in constant time, appending a group when there is
// none yet. Equal times compare equal as floats, so the two zeros share a group; the times a
// layout makes are never NaN.
class SourceGroupIndex {
 public:
  explicit SourceGroupIndex(WallLayout& layout);
  SourceGroup& findOrAdd(std::int32_t sourceIndex, float sourceTime);

 private:
  WallLayout& layout_;
  std::unordered_map<std::uint64_t, std::size_t> positions_;
};

}  // namespace plenorium
