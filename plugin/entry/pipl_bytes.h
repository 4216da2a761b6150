// The bytes of the module's descriptor property list. One generator feeds both the Windows
// resource and the `.pipl` section of the Linux module.
#pragma once

#include <cstdint>
#include <vector>

namespace plenorium {

std::vector<std::uint8_t> buildPiplBytes();

}  // namespace plenorium
