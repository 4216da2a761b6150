// The smart pre-render pass: declares the output extent and checks out every input the render needs.
#pragma once

#include "AE_Effect.h"

namespace plenorium {

PF_Err smartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);

}  // namespace plenorium
