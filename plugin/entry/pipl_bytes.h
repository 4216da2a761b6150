// The bytes of a module's descriptor property list. One generator feeds both the Windows
// resource and the `.pipl` section of the Linux module.
#pragma once

#include <cstdint>
#include <vector>

namespace plenorium {

struct PiplSpec {
  const char* name;
  const char* category;
  const char* matchName;
  const char* entryPoint;
  std::uint32_t version;
  std::uint32_t outFlags;
  std::uint32_t outFlags2;
};

// This effect's descriptor.
PiplSpec effectPiplSpec();

std::vector<std::uint8_t> buildPiplBytes(const PiplSpec& spec);
inline std::vector<std::uint8_t> buildPiplBytes() {
  return buildPiplBytes(effectPiplSpec());
}

}  // namespace plenorium
