// The smart render pass: draws the wall into the output.
#pragma once

#include "AE_Effect.h"

namespace plenorium {

PF_Err smartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

}  // namespace plenorium
