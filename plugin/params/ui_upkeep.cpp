#include "ui_upkeep.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "effect_streams.h"

namespace plenorium {

std::string layerCountExpression() {
  char text[1024] = {};
  std::snprintf(text, sizeof(text), LAYER_COUNT_EXPRESSION, static_cast<int>(PARAM_SELECTION_METHOD),
                static_cast<int>(SELECT_MANUAL), static_cast<int>(SELECT_AUTOMATIC),
                static_cast<int>(SELECT_INNER_COMP));
  return text;
}

void SetParamHidden(HostSuites& suites, AEGP_EffectRefH effect, int index, bool hidden) {
  ParamStream stream(suites.streamSuite7(), effect, index);
  if (stream.get() == nullptr) return;
  AEGP_DynStreamFlags flags = 0;
  if (suites.dynamicStreamSuite5()->AEGP_GetDynamicStreamFlags(stream.get(), &flags) != A_Err_NONE) return;
  const bool current = (flags & AEGP_DynStreamFlag_HIDDEN) != 0;
  // A flag already as wanted is not written again, so that repeated upkeeps change nothing.
  if (current != hidden) {
    suites.dynamicStreamSuite5()->AEGP_SetDynamicStreamFlag(stream.get(), AEGP_DynStreamFlag_HIDDEN, false, hidden);
  }
}

void InstallLayerCountExpression(HostSuites& suites, AEGP_EffectRefH effect) {
  ParamStream stream(suites.streamSuite7(), effect, PARAM_EXPRESSION_DUMMY);
  if (stream.get() == nullptr) return;
  const std::string wanted = layerCountExpression();
  AEGP_MemHandle current = nullptr;
  if (suites.streamSuite9()->AEGP_GetExpression(0, stream.get(), &current) != A_Err_NONE) return;
  bool same = false;
  if (current != nullptr) {
    void* text = nullptr;
    if (suites.memorySuite1()->AEGP_LockMemHandle(current, &text) == A_Err_NONE && text != nullptr) {
      same = std::strcmp(static_cast<const char*>(text), wanted.c_str()) == 0;
    }
    suites.memorySuite1()->AEGP_FreeMemHandle(current);
  }
  if (!same) suites.streamSuite9()->AEGP_SetExpression(0, stream.get(), wanted.c_str());
}

PF_Err UpdateParameterVisibility(PF_InData* in_data, PF_ParamDef* params[]) {
  HostSuites suites(in_data->pica_basicP);
  const EffectRef effect(suites, in_data->effect_ref);
  if (effect.get() == nullptr) return effect.error() != A_Err_NONE ? effect.error() : PF_Err_BAD_CALLBACK_PARAM;
  SetParamHidden(suites, effect.get(), PARAM_EXPRESSION_DUMMY, true);
  InstallLayerCountExpression(suites, effect.get());
  if (params != nullptr && params[PARAM_SELECTION_METHOD] != nullptr) {
    const int method = params[PARAM_SELECTION_METHOD]->u.pd.value;
    if (method >= SELECT_MANUAL && method <= SELECT_INNER_COMP) {
      const bool hide = method != SELECT_MANUAL;
      SetParamHidden(suites, effect.get(), PARAM_LAYERS_GROUP, hide);
      for (int p = PARAM_SOURCE_FIRST; p <= PARAM_SOURCE_LAST; ++p) SetParamHidden(suites, effect.get(), p, hide);
    }
  }
  if (params != nullptr && params[PARAM_FRAME_IMAGE] != nullptr) {
    SetParamHidden(suites, effect.get(), PARAM_FRAME_LAYER, params[PARAM_FRAME_IMAGE]->u.pd.value != FRAME_CUSTOM);
  }
  return PF_Err_NONE;
}

}  // namespace plenorium
