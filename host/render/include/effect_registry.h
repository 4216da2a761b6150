// The effect modules a host has loaded, each set up once (global and parameter set-up) and found
// by its match name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "effect_driver.h"
#include "project_file.h"

namespace plenorium::host {

class EffectRegistry {
 public:
  explicit EffectRegistry(HostCore& core) : core_(core) {}
  ~EffectRegistry();

  // Loads a module and sends global and parameter set-up. Throws HostError.
  EffectDriver& load(const std::string& modulePath);
  EffectDriver* find(const std::string& matchName) const;
  SchemaLookup schemaLookup() const;

 private:
  HostCore& core_;
  std::vector<std::unique_ptr<PluginModule>> modules_;
  std::vector<std::unique_ptr<EffectDriver>> drivers_;
};

}  // namespace plenorium::host
