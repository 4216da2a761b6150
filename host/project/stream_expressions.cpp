#include "stream_expressions.h"

#include "AE_GeneralPlug.h"

namespace plenorium::host {
namespace {

std::uint32_t mixSeed(std::uint32_t h, std::uint32_t v) {
  h ^= v + 0x9e3779b9u + (h << 6) + (h >> 2);
  return h;
}

nlohmann::json valueJson(const StreamValue& v, bool twoD) {
  return twoD ? nlohmann::json::array({v[0], v[1]}) : nlohmann::json(v[0]);
}

bool isTwoD(const EffectInstance* effect, int index) {
  if (effect == nullptr)
    return index == AEGP_LayerStream_ANCHORPOINT || index == AEGP_LayerStream_POSITION ||
           index == AEGP_LayerStream_SCALE;
  return effect->schema->at(index).def.param_type == PF_Param_POINT;
}

}  // namespace

StreamExpressions::StreamExpressions(std::function<std::string(const EffectInstance&)> effectName)
    : effectName_(std::move(effectName)) {}

const nlohmann::json& StreamExpressions::compContext(const Composition& comp, double layerTime) {
  if (!keeping_) comps_.clear();
  const auto [it, added] = comps_.try_emplace({&comp, layerTime});
  if (!added) return it->second;
  nlohmann::json layers = nlohmann::json::array();
  for (std::size_t li = 0; li < comp.layers.size(); ++li) {
    const Layer& l = *comp.layers[li];
    nlohmann::json effects = nlohmann::json::array();
    for (const auto& e : l.effects) {
      nlohmann::json values = nlohmann::json::array();
      nlohmann::json controls = nlohmann::json::object();
      for (const DeclaredParam& p : e->schema->params()) {
        // Other controls are read before their own expressions, so that expressions cannot loop.
        const nlohmann::json v = valueJson(e->params[static_cast<std::size_t>(p.index)].valueAt(layerTime),
                                           p.def.param_type == PF_Param_POINT);
        values.push_back(v);
        if (p.index != 0 && !p.path.empty()) {
          controls[p.name] = v;
          controls[p.path] = v;
        }
      }
      effects.push_back(
          {{"name", effectName_(*e)}, {"matchName", e->matchName}, {"values", values}, {"controls", controls}});
    }
    layers.push_back({{"name", l.name}, {"index", li + 1}, {"effects", effects}});
  }
  it->second = {{"name", comp.item != nullptr ? comp.item->name : ""},
                {"width", comp.width},
                {"height", comp.height},
                {"duration", comp.duration},
                {"frameDuration", 1.0 / comp.rate.fps()},
                {"layers", layers}};
  return it->second;
}

StreamValue StreamExpressions::valueOf(const Layer& layer, const EffectInstance* effect, int index,
                                       const Stream& stream, double layerTime) {
  if (stream.expression().empty() || !stream.expressionEnabled()) return stream.valueAt(layerTime);
  // An expression that failed once is not run again: each run could cost its whole time budget,
  // for every screen and frame. Until the expression is changed the control keeps its own value,
  // as the host application disables a broken expression.
  if (const auto failed = failed_.find(&stream); failed != failed_.end() && failed->second == stream.expression()) {
    return stream.valueAt(layerTime);
  }
  const Composition& comp = *layer.parent;
  int effectIndex = -1;
  for (std::size_t i = 0; i < layer.effects.size(); ++i) {
    if (layer.effects[i].get() == effect) effectIndex = static_cast<int>(i);
  }
  const StreamValue before = stream.valueAt(layerTime);
  const std::uint32_t seed =
      mixSeed(mixSeed(static_cast<std::uint32_t>(layer.id), static_cast<std::uint32_t>(effectIndex + 1)),
              static_cast<std::uint32_t>(index));
  const nlohmann::json context = {{"time", layerTime},
                                  {"value", valueJson(before, isTwoD(effect, index))},
                                  {"comp", compContext(comp, layerTime)},
                                  {"layerIndex", comp.indexOf(&layer) + 1},
                                  {"effectIndex", effectIndex},
                                  {"seed", seed}};
  std::string error;
  if (const auto result = engine_.evaluate(stream.expression(), context, error)) return *result;
  const std::string control =
      effect != nullptr ? "control '" + effect->schema->at(index).path + "' of effect '" + effect->matchName + "'"
                        : "transform stream " + std::to_string(index);
  failed_[&stream] = stream.expression();
  warnings_.push_back("layer '" + layer.name + "', " + control + ": the expression failed (" + error +
                      ") and is switched off; the value without it is used");
  return before;
}

std::vector<std::string> StreamExpressions::takeWarnings() {
  std::vector<std::string> out;
  out.swap(warnings_);
  return out;
}

}  // namespace plenorium::host
