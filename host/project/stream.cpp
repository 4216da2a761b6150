#include "stream.h"

#include <algorithm>

namespace plenorium::host {

StreamValue Stream::valueAt(double time) const {
  if (keys_.empty()) return constant_;
  if (time <= keys_.front().time) return keys_.front().value;
  if (time >= keys_.back().time) return keys_.back().value;
  const auto next =
      std::upper_bound(keys_.begin(), keys_.end(), time, [](double t, const Keyframe& k) { return t < k.time; });
  const Keyframe& a = *(next - 1);
  const Keyframe& b = *next;
  if (a.interpolation == Interpolation::HOLD || b.time <= a.time) return a.value;
  const double f = (time - a.time) / (b.time - a.time);
  return {a.value[0] + (b.value[0] - a.value[0]) * f, a.value[1] + (b.value[1] - a.value[1]) * f};
}

void Stream::setKeyframes(std::vector<Keyframe> keys) {
  std::stable_sort(keys.begin(), keys.end(), [](const Keyframe& a, const Keyframe& b) { return a.time < b.time; });
  keys_ = std::move(keys);
  ++revision_;
}

void Stream::setConstant(StreamValue value) {
  constant_ = value;
  keys_.clear();
  ++revision_;
}

}  // namespace plenorium::host
