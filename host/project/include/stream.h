// An animatable value: a constant or keyframes (linear or hold), an optional expression text and
// a hidden flag. Times are in seconds of the owning layer's time.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace plenorium::host {

using StreamValue = std::array<double, 2>;  // one- and two-dimensional values

enum class Interpolation { LINEAR, HOLD };

struct Keyframe {
  double time = 0;
  StreamValue value{};
  Interpolation interpolation = Interpolation::LINEAR;  // towards the next keyframe
};

class Stream {
 public:
  Stream() = default;
  explicit Stream(StreamValue constant) : constant_(constant) {}

  // The value at `time`: before the first keyframe the first value, after the last the last.
  StreamValue valueAt(double time) const;

  bool isAnimated() const { return !keys_.empty(); }
  const std::vector<Keyframe>& keyframes() const { return keys_; }
  void setKeyframes(std::vector<Keyframe> keys);  // sorted by time here
  const StreamValue& constant() const { return constant_; }
  // Sets a constant value; keyframes are dropped.
  void setConstant(StreamValue value);

  const std::string& expression() const { return expression_; }
  void setExpression(std::string text) { expression_ = std::move(text); }
  bool expressionEnabled() const { return expressionEnabled_; }
  void setExpressionEnabled(bool on) { expressionEnabled_ = on; }

  bool hidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }

  // Counts changes, so that callers can tell whether anything was written.
  unsigned long revision() const { return revision_; }

 private:
  StreamValue constant_{};
  std::vector<Keyframe> keys_;
  std::string expression_;
  bool expressionEnabled_ = true;
  bool hidden_ = false;
  unsigned long revision_ = 0;
};

}  // namespace plenorium::host
