// The record of one pre-render or render pass: grid counts, pixel geometry, seeds, the source
// groups and the source list. Owned by the pass; everything in it is freed when the pass ends.
#pragma once

#include <cstdint>
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
  std::int32_t alignH = 0;
  std::int32_t alignV = 0;
  float wallX = 0;
  float wallY = 0;
  float globalScale = 0;
  float screenWidthPx = 0;
  float screenHeightPx = 0;
  float gapXPx = 0;
  float gapYPx = 0;
  float randomTime = 0;
  bool randomOrder = false;
  float timeOffsetMax = 0;
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

// The group showing `sourceIndex` at exactly `sourceTime`, appended when there is none yet.
SourceGroup& findOrAddGroup(WallLayout& layout, std::int32_t sourceIndex, float sourceTime);

}  // namespace plenorium
