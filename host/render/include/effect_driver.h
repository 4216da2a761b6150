// Sends the life-cycle commands to one effect module as the host application does: about at
// any time, global set-up once (checked against the descriptor), global set-down last.
#pragma once

#include <string>

#include "AE_Effect.h"
#include "effect_context.h"
#include "host_core.h"
#include "param_schema.h"
#include "plugin_module.h"

namespace plenorium::host {

class EffectDriver {
 public:
  EffectDriver(HostCore& core, const PluginModule& module);
  ~EffectDriver();
  EffectDriver(const EffectDriver&) = delete;
  EffectDriver& operator=(const EffectDriver&) = delete;

  // The about text with its carriage returns written as line breaks. Throws HostError.
  std::string about();
  // Throws HostError on an error code or when the answer disagrees with the descriptor.
  void globalSetup();
  // Safe to call when set-up did not run; runs at most once.
  PF_Err globalSetdown();

  // Sends parameter set-up and records every control the effect adds. Throws HostError.
  const ParamSchema& setupParameters();
  // The add_param callback of parameter set-up: appends one control to the schema.
  PF_Err addParam(PF_ParamIndex index, const PF_ParamDef* def);
  const ParamSchema& schema() const { return schema_; }
  // Test switch: `add_param` refuses the control that would get `index` with `err`.
  void failAddParamAt(int index, PF_Err err) { failAddParamIndex_ = index, failAddParamError_ = err; }

  // A record prepared as the host prepares it for every command.
  PF_InData& inData() { return inData_; }
  // The same record for a command sent to one effect instance: `effect_ref` points at `context`.
  PF_InData inDataFor(EffectContext& context) const;
  PF_Err send(PF_Cmd cmd, PF_OutData& out, PF_ParamDef* params[] = nullptr, PF_LayerDef* output = nullptr,
              void* extra = nullptr);
  PF_Err sendWith(PF_InData& in, PF_Cmd cmd, PF_OutData& out, PF_ParamDef* params[] = nullptr,
                  PF_LayerDef* output = nullptr, void* extra = nullptr);

  HostCore& core() { return core_; }
  const PluginModule& module() const { return module_; }

 private:
  HostCore& core_;
  const PluginModule& module_;

  EffectContext moduleContext_;
  PF_InData inData_{};
  bool setUp_ = false;
  ParamSchema schema_;
  int failAddParamIndex_ = -1;
  PF_Err failAddParamError_ = PF_Err_NONE;
};

}  // namespace plenorium::host
