#include "AE_EffectCB.h"
#include "commands.h"
#include "host_suites.h"

namespace plenorium {

// The effect keeps no per-instance data; set-up only proves the host's suites are reachable.
PF_Err sequenceSetup(PF_InData* in_data) {
  HostSuites suites(in_data->pica_basicP);
  return PF_Err_NONE;
}

PF_Err sequenceSetdown(PF_InData* in_data, PF_OutData* out_data) {
  if (in_data->sequence_data != nullptr) {
    in_data->utils->host_dispose_handle(in_data->sequence_data);
    out_data->sequence_data = nullptr;
  }
  return PF_Err_NONE;
}

}  // namespace plenorium
