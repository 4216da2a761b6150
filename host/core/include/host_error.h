// The host's own failures: an exception whose message names what the user must fix.
#pragma once

#include <stdexcept>
#include <string>

namespace plenorium::host {

class HostError : public std::runtime_error {
 public:
  explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

// A message on one line: the libraries' own reports may span several, which an error line must not.
inline std::string oneLine(const std::string& message) {
  std::string out;
  out.reserve(message.size());
  for (char c : message) {
    if (c != '\n' && c != '\r') {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += "; ";
    }
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == ';')) out.pop_back();
  return out;
}

}  // namespace plenorium::host
