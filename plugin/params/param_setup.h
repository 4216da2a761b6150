// Declares the effect's controls to the host at parameter set-up.
#pragma once

#include "AE_Effect.h"
#include "param_index.h"

namespace plenorium {

PF_Err setupParameters(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

}  // namespace plenorium
