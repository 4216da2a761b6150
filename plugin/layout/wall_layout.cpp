#include "wall_layout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_map>

#include "wall_random.h"

namespace plenorium {
namespace {

std::int32_t gridCount(double value) {
  return static_cast<std::int32_t>(std::clamp(std::trunc(value), 0.0, static_cast<double>(MAX_GRID_COUNT)));
}

// Seeds come from sliders that may hold any double; out-of-range values saturate rather than
// overflow the conversion.
std::int32_t seedFrom(double value) {
  const double t = std::clamp(std::trunc(value), -2147483648.0, 2147483645.0);
  return static_cast<std::int32_t>(t) + 2;
}

std::uint64_t keyOf(std::int32_t sourceIndex, float sourceTime) {
  const float time = sourceTime == 0.0f ? 0.0f : sourceTime;
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(sourceIndex)) << 32 | std::bit_cast<std::uint32_t>(time);
}

}  // namespace

SourceGroupIndex::SourceGroupIndex(std::vector<SourceGroup>& groups) : groups_(groups) {
  for (std::size_t k = 0; k < groups_.size(); ++k) {
    const SourceGroup& group = groups_[k];
    positions_.try_emplace(keyOf(group.sourceIndex, group.sourceTime), k);
  }
}

SourceGroup& SourceGroupIndex::findOrAdd(std::int32_t sourceIndex, float sourceTime) {
  const auto [it, added] = positions_.try_emplace(keyOf(sourceIndex, sourceTime), groups_.size());
  if (added) groups_.push_back(SourceGroup{sourceIndex, sourceTime, {}});
  return groups_[it->second];
}

WallControls readWallControls(const WallParams& params) {
  WallControls c;
  c.columns = gridCount(sliderValue(params, PARAM_COLUMNS));
  c.rows = gridCount(sliderValue(params, PARAM_ROWS));
  c.globalScale = static_cast<float>(sliderValue(params, PARAM_GLOBAL_SCALE) * 0.01);
  c.randomOrder = checkboxValue(params, PARAM_RANDOM_ORDER);
  c.randomTime = static_cast<float>(sliderValue(params, PARAM_RANDOM_TIME));
  c.orderSeed = seedFrom(sliderValue(params, PARAM_ORDER_SEED));
  c.transformSeed = seedFrom(sliderValue(params, PARAM_TRANSFORM_SEED));
  c.method = popupValue(params, PARAM_SELECTION_METHOD);
  c.alignH = static_cast<WallAlign>(popupValue(params, PARAM_ALIGN_H));
  c.alignV = static_cast<WallAlign>(popupValue(params, PARAM_ALIGN_V));
  c.screenWidth = sliderValue(params, PARAM_SCREEN_WIDTH);
  c.screenHeight = sliderValue(params, PARAM_SCREEN_HEIGHT);
  c.gapX = sliderValue(params, PARAM_GAP_X);
  c.gapY = sliderValue(params, PARAM_GAP_Y);
  c.wallX = params[PARAM_WALL_POSITION].u.td.x_value;
  c.wallY = params[PARAM_WALL_POSITION].u.td.y_value;
  c.timeOffsetMax = static_cast<float>(sliderValue(params, PARAM_TIME_OFFSET));
  if (popupValue(params, PARAM_FRAME_IMAGE) != FRAME_NONE) {
    c.fitOffsetX = static_cast<float>(sliderValue(params, PARAM_FIT_OFFSET_X) * 0.01);
    c.fitOffsetY = static_cast<float>(sliderValue(params, PARAM_FIT_OFFSET_Y) * 0.01);
    c.fitScaleX = static_cast<float>(sliderValue(params, PARAM_FIT_SCALE_X) * 0.01);
    c.fitScaleY = static_cast<float>(sliderValue(params, PARAM_FIT_SCALE_Y) * 0.01);
  }
  return c;
}

std::vector<SourceGroup> sourceGroupsFor(const WallControls& controls, std::int32_t sourceCount,
                                         const PF_InData& in_data) {
  std::vector<SourceGroup> out;
  WallRandom random(controls.orderSeed);
  skipDraws(random);
  random.draw();

  // Without a local time step there is no frame rate: every source is shown at the current time.
  const bool hasFrameRate = in_data.local_time_step != 0;
  const float fps =
      hasFrameRate ? static_cast<float>(in_data.time_scale) / static_cast<float>(in_data.local_time_step) : 0.0f;
  if (sourceCount <= 0) return out;

  const int screens = controls.screenCount();
  SourceGroupIndex groups(out);
  for (int i = 0; i < screens; ++i) {
    skipDraws(random);
    const int m = random.draw();
    std::int32_t index = i % sourceCount;
    if (controls.randomOrder) {
      const float pick = std::floor(static_cast<float>(sourceCount) * unitValue(m));
      index = std::min(static_cast<std::int32_t>(pick), sourceCount - 1);
    }
    skipDraws(random);
    const int t = random.draw();
    float sourceTime = 0.0f;
    if (controls.randomTime != 0.0f && hasFrameRate) {
      const float frames = std::floor(fps * unitValue(t) * controls.randomTime);
      sourceTime = frames / fps;
    }
    groups.findOrAdd(index, sourceTime).screens.push_back(i);
  }
  return out;
}

}  // namespace plenorium
