// A loaded effect module: its descriptor, read from the file before any code runs, and its entry
// point, resolved by the name the descriptor gives.
#pragma once

#include <memory>
#include <string>

#include "AE_Effect.h"
#include "plugin_descriptor.h"
#include "shared_library.h"

namespace plenorium::host {

class HostCore;

class PluginModule {
 public:
  // Throws HostError when the file is missing, carries no effect descriptor or lacks the entry.
  explicit PluginModule(const std::string& path);
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  const std::string& path() const { return path_; }
  const PluginDescriptor& descriptor() const { return descriptor_; }

  // Calls the entry point with the call marked as in progress for `host`.
  PF_Err call(HostCore& host, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
              PF_LayerDef* output, void* extra) const;

 private:
  std::string path_;
  PluginDescriptor descriptor_;
  std::unique_ptr<SharedLibrary> library_;
  PF_FilterProc entry_ = nullptr;
};

// Checks the answer of global set-up against the descriptor: the host refuses a module whose
// code and descriptor disagree. Throws HostError naming the mismatch.
void checkGlobalSetupAgainstDescriptor(const PluginDescriptor& descriptor, const PF_OutData& out,
                                       const std::string& file);

}  // namespace plenorium::host
