#include "plugin_module.h"

#include <cstdio>
#include <filesystem>

#include "host_core.h"
#include "host_error.h"
#include "module_file.h"

namespace plenorium::host {
namespace {

std::string hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", v);
  return text;
}

}  // namespace

PluginModule::PluginModule(const std::string& path)
    : path_(std::filesystem::absolute(path).lexically_normal().string()) {
  descriptor_ = parsePipl(readDescriptorBytes(path_));
  requireEffectDescriptor(descriptor_, path_);
  library_ = std::make_unique<SharedLibrary>(path_);
  entry_ = reinterpret_cast<PF_FilterProc>(library_->symbol(descriptor_.entryPoint));
  if (entry_ == nullptr) {
    throw HostError("the plug-in module '" + path_ + "' does not export '" + descriptor_.entryPoint + "'");
  }
}

PluginModule::~PluginModule() = default;

PF_Err PluginModule::call(HostCore& host, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra) const {
  CallScope scope(host, cmd, in_data != nullptr ? in_data->effect_ref : nullptr);
  return entry_(cmd, in_data, out_data, params, output, extra);
}

void checkGlobalSetupAgainstDescriptor(const PluginDescriptor& d, const PF_OutData& out, const std::string& file) {
  auto mismatch = [&](const char* what, std::uint32_t code, std::uint32_t descriptor) {
    throw HostError("the plug-in '" + file + "' declares " + what + " " + hex(code) +
                    " at global set-up but its descriptor says " + hex(descriptor));
  };
  if (out.my_version != d.version) mismatch("version", out.my_version, d.version);
  if (static_cast<std::uint32_t>(out.out_flags) != d.outFlags) {
    mismatch("flags", static_cast<std::uint32_t>(out.out_flags), d.outFlags);
  }
  if (static_cast<std::uint32_t>(out.out_flags2) != d.outFlags2) {
    mismatch("flags2", static_cast<std::uint32_t>(out.out_flags2), d.outFlags2);
  }
}

}  // namespace plenorium::host
