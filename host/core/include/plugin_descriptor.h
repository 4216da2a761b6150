// The descriptor a plug-in module carries: what the host learns before running any of its code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace plenorium::host {

struct PiplProperty {
  std::uint32_t vendor = 0;
  std::uint32_t key = 0;
  std::uint32_t id = 0;
  std::vector<std::uint8_t> value;  // without padding
};

struct PluginDescriptor {
  std::vector<PiplProperty> properties;  // in file order

  std::uint32_t kind = 0;
  std::string name;
  std::string category;
  std::string entryPoint;
  std::string matchName;
  std::uint32_t version = 0;
  std::uint32_t outFlags = 0;
  std::uint32_t outFlags2 = 0;
};

// Parses a property list; throws HostError naming what is malformed.
PluginDescriptor parsePipl(const std::vector<std::uint8_t>& bytes);

// Checks what an effect host needs: an effect kind, a match name and an entry point name.
void requireEffectDescriptor(const PluginDescriptor& descriptor, const std::string& file);

std::string fourCC(std::uint32_t code);

}  // namespace plenorium::host
