#include "smart_render.h"

#include "host_suites.h"

namespace plenorium {

// The wall is not drawn yet.
PF_Err smartRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_SmartRenderExtra* /*extra*/) {
  HostSuites suites(in_data->pica_basicP);
  return PF_Err_NONE;
}

}  // namespace plenorium
