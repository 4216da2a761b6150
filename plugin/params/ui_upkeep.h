// Keeps the effect controls consistent with the chosen source method and frame.
#pragma once

#include "AE_Effect.h"
#include "param_index.h"

namespace plenorium {

PF_Err UpdateParameterVisibility(PF_InData* in_data, PF_ParamDef* params[]);

}  // namespace plenorium
