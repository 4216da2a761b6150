// The values of streams with expressions: each expression is evaluated with a context that holds
// the time, the stream's own value, and the composition (its layers, their effects and every
// control's value before its expression). While a frame is rendered, the composition part is
// built once for each (composition, time) and kept until the frame ends or a stream changes;
// outside a frame it is built for every evaluation, since the project may change between them.
#pragma once

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "expression_engine.h"
#include "project.h"

namespace plenorium::host {

class StreamExpressions {
 public:
  // `effectName` gives an effect instance's display name (its module's name).
  explicit StreamExpressions(std::function<std::string(const EffectInstance&)> effectName);

  // A stream's value at `layerTime` seconds: its expression's result, or the value before it
  // when there is no enabled expression or the expression fails. A failed expression is switched
  // off, with one warning, until it is changed. `effect` is null for the layer's transform streams; `index` is the
  // control's index.
  StreamValue valueOf(const Layer& layer, const EffectInstance* effect, int index, const Stream& stream,
                      double layerTime);

  // Keeps composition contexts from now until endFrame().
  void beginFrame() {
    comps_.clear();
    keeping_ = true;
  }
  void endFrame() {
    comps_.clear();
    keeping_ = false;
  }
  // Drops the kept composition contexts: a stream's value or expression changed.
  void forgetContexts() { comps_.clear(); }

  // Warnings gathered since the last call, each reported once.
  std::vector<std::string> takeWarnings();

 private:
  const nlohmann::json& compContext(const Composition& comp, double layerTime);

  std::function<std::string(const EffectInstance&)> effectName_;
  ExpressionEngine engine_;
  std::map<std::pair<const Composition*, double>, nlohmann::json> comps_;
  bool keeping_ = false;
  // Streams whose expression failed, with the expression that failed; a new expression runs.
  std::map<const Stream*, std::string> failed_;
  std::vector<std::string> warnings_;
};

}  // namespace plenorium::host
