#include "effect_registry.h"

namespace plenorium::host {

EffectRegistry::~EffectRegistry() {
  // Global set-down, last command of each module, before the modules are unloaded.
  for (auto it = drivers_.rbegin(); it != drivers_.rend(); ++it) (*it)->globalSetdown();
  drivers_.clear();
}

EffectDriver& EffectRegistry::load(const std::string& modulePath) {
  modules_.push_back(std::make_unique<PluginModule>(modulePath));
  auto driver = std::make_unique<EffectDriver>(core_, *modules_.back());
  driver->globalSetup();
  driver->setupParameters();
  drivers_.push_back(std::move(driver));
  return *drivers_.back();
}

EffectDriver* EffectRegistry::find(const std::string& matchName) const {
  for (const auto& d : drivers_) {
    if (d->module().descriptor().matchName == matchName) return d.get();
  }
  return nullptr;
}

SchemaLookup EffectRegistry::schemaLookup() const {
  return [this](const std::string& matchName) -> const ParamSchema* {
    const EffectDriver* d = find(matchName);
    return d != nullptr ? &d->schema() : nullptr;
  };
}

}  // namespace plenorium::host
