// The callbacks of the effect protocol that belong to one effect instance: parameter checkouts,
// the smart pre-render input requests and the smart render pixel checkouts.
#pragma once

#include <vector>

#include "AE_Effect.h"
#include "effect_context.h"

namespace plenorium::host {

// The interaction callbacks every command's `in_data->inter` carries.
const PF_InteractCallbacks& interactCallbacks();
// Sets the frame's times, sizes and scale factors in `in` for the context's layer.
void fillFrameInData(PF_InData& in, const EffectContext& context, double layerTime);

PF_PreRenderCallbacks preRenderCallbacks();
PF_SmartRenderCallbacks smartRenderCallbacks();
// Gives back what the effect left checked out (the accounting keeps the imbalance).
void releaseCheckouts(EffectContext& context);

// A control's value as the host hands it over at `seconds` of layer time.
PF_ParamDef paramDefAt(const EffectContext& context, int index, double seconds);

// The parameter array passed with commands that carry one: every control at `seconds`.
class ParamValues {
 public:
  ParamValues(const EffectContext& context, double seconds);
  PF_ParamDef** array() { return pointers_.data(); }

 private:
  std::vector<PF_ParamDef> defs_;
  std::vector<PF_ParamDef*> pointers_;
};

}  // namespace plenorium::host
