#include "effect_driver.h"

#include "host_error.h"
#include "protocol_callbacks.h"

namespace plenorium::host {

EffectDriver::EffectDriver(HostCore& core, const PluginModule& module) : core_(core), module_(module) {
  core_.setPluginPath(module_.path());
  if (core_.utils() == nullptr)
    throw HostError("the host has no utility callbacks to hand its plug-ins (no pixel host)");
  inData_.utils = core_.utils();
  inData_.pica_basicP = core_.basicSuite();
  moduleContext_.driver = this;
  inData_.effect_ref = reinterpret_cast<PF_ProgPtr>(&moduleContext_);
  inData_.inter = interactCallbacks();
  inData_.version = PF_SpecVersion{13, 0};
  inData_.quality = PF_Quality_HI;
  inData_.time_scale = 1;
  inData_.downsample_x = inData_.downsample_y = inData_.pixel_aspect_ratio = PF_RationalScale{1, 1};
}

EffectDriver::~EffectDriver() {
  globalSetdown();
}

PF_InData EffectDriver::inDataFor(EffectContext& context) const {
  PF_InData in = inData_;
  in.effect_ref = reinterpret_cast<PF_ProgPtr>(&context);
  return in;
}

PF_Err EffectDriver::send(PF_Cmd cmd, PF_OutData& out, PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  return module_.call(core_, cmd, &inData_, &out, params, output, extra);
}

PF_Err EffectDriver::sendWith(PF_InData& in, PF_Cmd cmd, PF_OutData& out, PF_ParamDef* params[], PF_LayerDef* output,
                              void* extra) {
  in.global_data = inData_.global_data;
  return module_.call(core_, cmd, &in, &out, params, output, extra);
}

std::string EffectDriver::about() {
  PF_OutData out{};
  if (PF_Err err = send(PF_Cmd_ABOUT, out)) {
    throw HostError("the plug-in '" + module_.path() + "' failed to give its about text (error " + std::to_string(err) +
                    ")");
  }
  out.return_msg[sizeof(out.return_msg) - 1] = '\0';
  std::string text = out.return_msg;
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  return text;
}

void EffectDriver::globalSetup() {
  if (setUp_) return;
  PF_OutData out{};
  const PF_Err err = send(PF_Cmd_GLOBAL_SETUP, out);
  inData_.global_data = out.global_data;
  setUp_ = true;
  if (err != PF_Err_NONE) {
    throw HostError("the plug-in '" + module_.path() + "' failed global set-up (error " + std::to_string(err) + ")");
  }
  checkGlobalSetupAgainstDescriptor(module_.descriptor(), out, module_.path());
}

PF_Err EffectDriver::addParam(PF_ParamIndex index, const PF_ParamDef* def) {
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (schema_.count() == failAddParamIndex_) return failAddParamError_;
  if (index != -1 && index != schema_.count()) return PF_Err_INVALID_INDEX;  // only appending is supported
  try {
    schema_.add(*def);
  } catch (const HostError&) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  return PF_Err_NONE;
}

const ParamSchema& EffectDriver::setupParameters() {
  schema_ = ParamSchema();
  PF_OutData out{};
  if (PF_Err err = send(PF_Cmd_PARAMS_SETUP, out)) {
    throw HostError("the plug-in '" + module_.path() + "' failed parameter set-up (error " + std::to_string(err) + ")");
  }
  schema_.finish();
  if (out.num_params != schema_.count()) {
    throw HostError("the plug-in '" + module_.path() + "' declared " + std::to_string(schema_.count()) +
                    " parameters but reports " + std::to_string(out.num_params));
  }
  inData_.num_params = out.num_params;
  return schema_;
}

PF_Err EffectDriver::globalSetdown() {
  if (!setUp_) return PF_Err_NONE;
  setUp_ = false;
  PF_OutData out{};
  const PF_Err err = send(PF_Cmd_GLOBAL_SETDOWN, out);
  inData_.global_data = nullptr;
  return err;
}

}  // namespace plenorium::host
