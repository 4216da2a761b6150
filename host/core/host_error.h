// The host's own failures: an exception whose message names what the user must fix.
#pragma once

#include <stdexcept>
#include <string>

namespace plenorium::host {

class HostError : public std::runtime_error {
 public:
  explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace plenorium::host
