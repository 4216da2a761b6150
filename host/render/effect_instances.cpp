#include "effect_instances.h"

#include "host_error.h"
#include "protocol_callbacks.h"
#include "render_session.h"

namespace plenorium::host {
namespace {

// A command record for one instance outside a frame: the composition's time base, time 0.
PF_InData inDataAtStart(EffectContext& context, const Layer& layer) {
  PF_InData in = context.driver->inDataFor(context);
  const Composition& comp = *layer.parent;
  in.time_scale = comp.rate.timeScale;
  in.time_step = in.local_time_step = comp.rate.frameTicks;
  return in;
}

}  // namespace

std::string effectLabel(const Layer& layer, const EffectInstance& effect, int index) {
  return "layer '" + layer.name + "', effect " + std::to_string(index + 1) + " '" + effect.matchName + "'";
}

void EffectInstances::startAll(Project& project) {
  for (const auto& item : project.items) {
    if (item->kind != ItemKind::COMP) continue;
    for (const auto& layer : item->comp->layers) {
      for (std::size_t i = 0; i < layer->effects.size(); ++i) {
        EffectContext context = session_.contextFor(*layer, static_cast<int>(i));
        PF_InData in = context.driver->inDataFor(context);
        PF_OutData out{};
        if (PF_Err err = context.driver->sendWith(in, PF_Cmd_SEQUENCE_SETUP, out)) {
          throw HostError(effectLabel(*layer, *context.effect, static_cast<int>(i)) +
                          ": sequence set-up failed (error " + std::to_string(err) + ")");
        }
        started_.insert({layer.get(), static_cast<int>(i)});
        updateParamsUi(*layer, static_cast<int>(i));
      }
    }
  }
}

void EffectInstances::stopAll() {
  for (const auto& [layer, index] : started_) {
    EffectContext context = session_.contextFor(const_cast<Layer&>(*layer), index);
    PF_InData in = context.driver->inDataFor(context);
    PF_OutData out{};
    context.driver->sendWith(in, PF_Cmd_SEQUENCE_SETDOWN, out);
  }
  started_.clear();
}

PF_Err EffectInstances::updateParamsUi(Layer& layer, int effectIndex) {
  EffectContext context = session_.contextFor(layer, effectIndex);
  PF_InData in = inDataAtStart(context, layer);
  ParamValues values(context, 0.0);
  PF_OutData out{};
  return context.driver->sendWith(in, PF_Cmd_UPDATE_PARAMS_UI, out, values.array());
}

void EffectInstances::changeParam(Layer& layer, int effectIndex, int paramIndex, const StreamValue& value) {
  Stream stream =
      layer.effects.at(static_cast<std::size_t>(effectIndex))->params.at(static_cast<std::size_t>(paramIndex));
  stream.setConstant(value);
  changeStream(layer, effectIndex, paramIndex, std::move(stream));
}

void EffectInstances::changeStream(Layer& layer, int effectIndex, int paramIndex, Stream stream) {
  EffectContext context = session_.contextFor(layer, effectIndex);
  Stream& current = context.effect->params.at(static_cast<std::size_t>(paramIndex));
  // Whether a control shows is the effect's to say, not the change's.
  stream.setHidden(current.hidden());
  current = std::move(stream);
  session_.streamsChanged();
  if (context.effect->schema->at(paramIndex).def.flags & PF_ParamFlag_SUPERVISE) {
    PF_InData in = inDataAtStart(context, layer);
    ParamValues values(context, 0.0);
    PF_UserChangedParamExtra extra{paramIndex};
    PF_OutData out{};
    context.driver->sendWith(in, PF_Cmd_USER_CHANGED_PARAM, out, values.array(), nullptr, &extra);
  }
  updateParamsUi(layer, effectIndex);
}

}  // namespace plenorium::host
