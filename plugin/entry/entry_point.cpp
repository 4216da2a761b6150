// The module's one exported function: routes every host command to its handler and turns every
// failure into a host error code, so that no exception crosses into the host.
#include <new>

#include "AE_Effect.h"
#include "commands.h"
#include "host_suites.h"
#include "param_setup.h"
#include "pre_render.h"
#include "smart_render.h"
#include "ui_upkeep.h"

#if defined(_WIN32)
#define PLENORIUM_EXPORT __declspec(dllexport)
#else
#define PLENORIUM_EXPORT __attribute__((visibility("default")))
#endif

namespace plenorium {
namespace {

bool isHandled(PF_Cmd cmd) {
  switch (cmd) {
    case PF_Cmd_ABOUT:
    case PF_Cmd_GLOBAL_SETUP:
    case PF_Cmd_GLOBAL_SETDOWN:
    case PF_Cmd_PARAMS_SETUP:
    case PF_Cmd_SEQUENCE_SETUP:
    case PF_Cmd_SEQUENCE_SETDOWN:
    case PF_Cmd_USER_CHANGED_PARAM:
    case PF_Cmd_UPDATE_PARAMS_UI:
    case PF_Cmd_SMART_PRE_RENDER:
    case PF_Cmd_SMART_RENDER: return true;
    default: return false;
  }
}

PF_Err dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                void* extra) {
  switch (cmd) {
    case PF_Cmd_ABOUT: return writeAbout(in_data, out_data);
    case PF_Cmd_GLOBAL_SETUP: return globalSetup(in_data, out_data);
    case PF_Cmd_GLOBAL_SETDOWN: return globalSetdown(in_data);
    case PF_Cmd_PARAMS_SETUP: return setupParameters(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETUP: return sequenceSetup(in_data);
    case PF_Cmd_SEQUENCE_SETDOWN: return sequenceSetdown(in_data, out_data);
    case PF_Cmd_USER_CHANGED_PARAM: {
      const auto* changed = static_cast<const PF_UserChangedParamExtra*>(extra);
      if (changed != nullptr && changed->param_index == PARAM_SELECTION_METHOD) {
        // The upkeep's own result is not the command's: only a missing suite ends it.
        (void)UpdateParameterVisibility(in_data, params);
      }
      return PF_Err_NONE;
    }
    case PF_Cmd_UPDATE_PARAMS_UI: return UpdateParameterVisibility(in_data, params);
    case PF_Cmd_SMART_PRE_RENDER: return smartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER: return smartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
    default: return PF_Err_NONE;
  }
}

}  // namespace
}  // namespace plenorium

extern "C" PLENORIUM_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                                  PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  try {
    if (!plenorium::isHandled(cmd)) return PF_Err_NONE;
    if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    return plenorium::dispatch(cmd, in_data, out_data, params, output, extra);
  } catch (const plenorium::MissingSuite& missing) {
    return missing.code;
  } catch (const std::bad_alloc&) {
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}
