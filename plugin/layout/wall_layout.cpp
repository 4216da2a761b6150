#include "wall_layout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_map>

#include "wall_geometry.h"
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

SourceGroupIndex::SourceGroupIndex(WallLayout& layout) : layout_(layout) {
  for (std::size_t k = 0; k < layout_.groups.size(); ++k) {
    const SourceGroup& group = layout_.groups[k];
    positions_.try_emplace(keyOf(group.sourceIndex, group.sourceTime), k);
  }
}

SourceGroup& SourceGroupIndex::findOrAdd(std::int32_t sourceIndex, float sourceTime) {
  const auto [it, added] = positions_.try_emplace(keyOf(sourceIndex, sourceTime), layout_.groups.size());
  if (added) layout_.groups.push_back(SourceGroup{sourceIndex, sourceTime, {}});
  return layout_.groups[it->second];
}

void computeWallLayout(WallLayout& layout, const PF_InData& in_data, const WallParams& params) {
  layout.columns = gridCount(sliderValue(params, PARAM_COLUMNS));
  layout.rows = gridCount(sliderValue(params, PARAM_ROWS));
  layout.globalScale = static_cast<float>(sliderValue(params, PARAM_GLOBAL_SCALE) * 0.01);
  layout.randomOrder = checkboxValue(params, PARAM_RANDOM_ORDER);
  layout.randomTime = static_cast<float>(sliderValue(params, PARAM_RANDOM_TIME));
  layout.transformSeed = seedFrom(sliderValue(params, PARAM_TRANSFORM_SEED));
  layout.groups.clear();

  WallRandom random(seedFrom(sliderValue(params, PARAM_ORDER_SEED)));
  skipDraws(random);
  random.draw();

  // Without a local time step there is no frame rate: every source is shown at the current time.
  const bool hasFrameRate = in_data.local_time_step != 0;
  const float fps =
      hasFrameRate ? static_cast<float>(in_data.time_scale) / static_cast<float>(in_data.local_time_step) : 0.0f;
  const std::int32_t sourceCount = layout.sourceCount;
  if (sourceCount <= 0) return;

  const int screens = layout.screenCount();
  SourceGroupIndex groups(layout);
  for (int i = 0; i < screens; ++i) {
    skipDraws(random);
    const int m = random.draw();
    std::int32_t index = i % sourceCount;
    if (layout.randomOrder) {
      const float pick = std::floor(static_cast<float>(sourceCount) * unitValue(m));
      index = std::min(static_cast<std::int32_t>(pick), sourceCount - 1);
    }
    skipDraws(random);
    const int t = random.draw();
    float sourceTime = 0.0f;
    if (layout.randomTime != 0.0f && hasFrameRate) {
      const float frames = std::floor(fps * unitValue(t) * layout.randomTime);
      sourceTime = frames / fps;
    }
    groups.findOrAdd(index, sourceTime).screens.push_back(i);
  }
}

void completeWallLayout(WallLayout& layout, const PF_InData& in_data, const WallParams& params, A_long inputOriginX,
                        A_long inputOriginY) {
  fillWallGeometry(layout, in_data, params, inputOriginX, inputOriginY);
  layout.timeOffsetMax = static_cast<float>(sliderValue(params, PARAM_TIME_OFFSET));
  if (popupValue(params, PARAM_FRAME_IMAGE) == FRAME_NONE) {
    layout.fitOffsetX = layout.fitOffsetY = 0;
    layout.fitScaleX = layout.fitScaleY = 1;
    return;
  }
  layout.fitOffsetX = static_cast<float>(sliderValue(params, PARAM_FIT_OFFSET_X) * 0.01);
  layout.fitOffsetY = static_cast<float>(sliderValue(params, PARAM_FIT_OFFSET_Y) * 0.01);
  layout.fitScaleX = static_cast<float>(sliderValue(params, PARAM_FIT_SCALE_X) * 0.01);
  layout.fitScaleY = static_cast<float>(sliderValue(params, PARAM_FIT_SCALE_Y) * 0.01);
}

}  // namespace plenorium
