// Handlers of the life-cycle commands answered by the entry subsystem itself.
#pragma once

#include "AE_Effect.h"

namespace plenorium {

PF_Err writeAbout(PF_InData* in_data, PF_OutData* out_data);
PF_Err globalSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err globalSetdown(PF_InData* in_data);
PF_Err sequenceSetup(PF_InData* in_data);
PF_Err sequenceSetdown(PF_InData* in_data, PF_OutData* out_data);

}  // namespace plenorium
