#include "commands.h"
#include "descriptor.h"
#include "host_suites.h"

namespace plenorium {

PF_Err writeAbout(PF_InData* in_data, PF_OutData* out_data) {
  HostSuites suites(in_data->pica_basicP);
  suites.ansiSuite1()->sprintf(out_data->return_msg, "%s, v%d.%d\rbuild %d.%d.%d", PLUGIN_NAME, MAJOR_VERSION,
                               MINOR_VERSION, BUG_VERSION, STAGE_VERSION, BUILD_VERSION);
  return PF_Err_NONE;
}

}  // namespace plenorium
