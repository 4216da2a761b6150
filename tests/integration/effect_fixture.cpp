#include "effect_fixture.h"

namespace plenorium::test {

EffectFixture::EffectFixture()
    : core(std::make_unique<host::HostCore>()),
      pixels(std::make_unique<host::PixelHost>(*core, 1)),
      module(std::make_unique<host::PluginModule>(PLENORIUM_MODULE_PATH)),
      driver(std::make_unique<host::EffectDriver>(*core, *module)) {}

EffectFixture::~EffectFixture() = default;

PF_Err EffectFixture::send(PF_Cmd cmd, PF_OutData& out, void* extra, PF_ParamDef** params) {
  return driver->send(cmd, out, params, nullptr, extra);
}

int EffectFixture::totalAcquisitions() const {
  int total = 0;
  for (const auto& [kind, balance] : core->accounting().balances()) {
    if (kind.rfind("suite ", 0) == 0) total += static_cast<int>(balance.taken);
  }
  return total;
}

void EffectFixture::expectBalanced() {
  const auto report = core->accounting().imbalanceReport();
  EXPECT_TRUE(report.empty()) << report.front();
}

}  // namespace plenorium::test
