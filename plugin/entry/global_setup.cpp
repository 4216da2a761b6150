#include <cstring>
#include <string>

#include "AE_EffectCB.h"
#include "commands.h"
#include "descriptor.h"
#include "frame_folder.h"
#include "frame_library.h"
#include "host_suites.h"
#include "wall_globals.h"

namespace plenorium {
namespace {

// The new global handle during set-up: unlocked on every way out, and disposed on every way out
// that did not hand it to the host.
class PendingHandle {
 public:
  PendingHandle(HostSuites& suites, PF_Handle handle) : suites_(suites), handle_(handle) {}
  ~PendingHandle() {
    if (locked_) suites_.handleSuite2()->host_unlock_handle(handle_);
    if (owned_) suites_.handleSuite2()->host_dispose_handle(handle_);
  }
  PendingHandle(const PendingHandle&) = delete;
  PendingHandle& operator=(const PendingHandle&) = delete;

  void* lock() {
    void* p = suites_.handleSuite2()->host_lock_handle(handle_);
    locked_ = p != nullptr;
    return p;
  }
  PF_Handle handOver() {
    owned_ = false;
    return handle_;
  }

 private:
  HostSuites& suites_;
  PF_Handle handle_;
  bool locked_ = false;
  bool owned_ = true;
};

}  // namespace

PF_Err globalSetup(PF_InData* in_data, PF_OutData* out_data) {
  out_data->my_version = VERSION_WORD;
  out_data->out_flags = OUT_FLAGS;
  out_data->out_flags2 = OUT_FLAGS2;

  HostSuites suites(in_data->pica_basicP);
  PF_Handle handle = suites.handleSuite2()->host_new_handle(sizeof(WallGlobals));
  if (handle == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  PendingHandle pending(suites, handle);

  auto* globals = static_cast<WallGlobals*>(pending.lock());
  // Without an address there is no record to fill and later commands would find none: report it.
  if (globals == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  std::memset(globals, 0, sizeof(WallGlobals));

  PF_Err err = suites.utilitySuite7()->AEGP_RegisterWithAEGP(nullptr, PLUGIN_NAME, &globals->pluginId);
  if (err != PF_Err_NONE) return err;

  out_data->global_data = pending.handOver();
  in_data->global_data = out_data->global_data;

  err = in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_EXE_FILE_PATH, globals->pluginPath);
  globals->pluginPath[sizeof(globals->pluginPath) - 1] = '\0';
  if (err == PF_Err_NONE) {
    loadFrameImages(in_data->pica_basicP, frameFolderFor(globals->pluginPath), globals->frames);
  }
  return err;
}

PF_Err globalSetdown(PF_InData* in_data) {
  HostSuites suites(in_data->pica_basicP);
  if (in_data->global_data == nullptr) return PF_Err_NONE;
  if (WallGlobals* globals = wallGlobals(in_data)) disposeFrameImages(suites, globals->frames);
  suites.handleSuite2()->host_dispose_handle(in_data->global_data);
  return PF_Err_NONE;
}

}  // namespace plenorium
