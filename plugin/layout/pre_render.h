// The smart pre-render pass: declares the output extent (the input's) and checks out every
// picture the render needs: the input under id 0, each source group's source at its source time
// under 100 + k, and the custom frame layer under 99.
#pragma once

#include "AE_Effect.h"

namespace plenorium {

inline constexpr A_long INPUT_CHECKOUT = 0;
inline constexpr A_long SOURCE_CHECKOUT_BASE = 100;
inline constexpr A_long FRAME_LAYER_CHECKOUT = 99;

PF_Err smartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);

// The host time of a source shown `sourceTime` seconds ahead: whole frames ahead of the current
// time, rounded half away from zero.
A_long sourceCheckoutTime(const PF_InData& in_data, float sourceTime);

}  // namespace plenorium
