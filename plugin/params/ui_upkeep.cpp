#include "ui_upkeep.h"

#include "host_suites.h"

namespace plenorium {

// Control visibility and the layer-count expression are not maintained yet; the command still
// reaches the host's suites so that a host without them is answered as one.
PF_Err UpdateParameterVisibility(PF_InData* in_data, PF_ParamDef* /*params*/[]) {
  HostSuites suites(in_data->pica_basicP);
  return PF_Err_NONE;
}

}  // namespace plenorium
