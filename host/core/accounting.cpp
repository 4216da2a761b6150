#include "accounting.h"

namespace plenorium::host {

Balance Accounting::balance(const std::string& kind) const {
  const auto it = balances_.find(kind);
  return it == balances_.end() ? Balance{} : it->second;
}

std::vector<std::string> Accounting::imbalanceReport() const {
  std::vector<std::string> lines;
  for (const auto& [kind, b] : balances_) {
    if (b.outstanding() == 0) continue;
    lines.push_back(kind + ": " + std::to_string(b.taken) + " taken, " + std::to_string(b.given) + " given back");
  }
  return lines;
}

std::string Accounting::suiteKind(const std::string& name, int version) {
  return "suite " + name + " v" + std::to_string(version);
}

}  // namespace plenorium::host
