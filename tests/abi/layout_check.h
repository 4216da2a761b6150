// Compares the compiler's view of our sdk/ headers with the host's published Win64 layout: record
// and table sizes, field and slot offsets, alias sizes, constants and suite versions. Built for
// Linux (unit tests) and for Windows (run under Wine), since the module must match on both.
#pragma once

#include <functional>
#include <string>

namespace plenorium::abi {

// Reports each fact that does not hold and returns how many did not.
int checkPublishedLayout(const std::function<void(const std::string&)>& report);

}  // namespace plenorium::abi
