#include "pre_render.h"

#include "host_suites.h"

namespace plenorium {

// Source selection and checkouts are not built yet: the pass declares nothing.
PF_Err smartPreRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_PreRenderExtra* /*extra*/) {
  HostSuites suites(in_data->pica_basicP);
  return PF_Err_NONE;
}

}  // namespace plenorium
