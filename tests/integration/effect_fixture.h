// The real effect module loaded through the host, as every integration test meets it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "effect_driver.h"
#include "host_core.h"
#include "pixel_host.h"
#include "plugin_module.h"

namespace plenorium::test {

class EffectFixture : public ::testing::Test {
 protected:
  EffectFixture();
  ~EffectFixture() override;

  // Sends a command with a fresh out record; the in record is the driver's.
  PF_Err send(PF_Cmd cmd, PF_OutData& out, void* extra = nullptr, PF_ParamDef** params = nullptr);
  int acquisitions(const char* name, int version) { return core->suites().acquisitions(name, version); }
  int totalAcquisitions() const;
  void expectBalanced();

  std::unique_ptr<host::HostCore> core;
  std::unique_ptr<host::PixelHost> pixels;
  std::unique_ptr<host::PluginModule> module;
  std::unique_ptr<host::EffectDriver> driver;
};

}  // namespace plenorium::test
