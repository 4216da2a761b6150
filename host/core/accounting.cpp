#include "accounting.h"

namespace plenorium::host {

Balance& Accounting::counter(std::string_view kind) {
  const auto known = lines_.find(kind);
  if (known != lines_.end()) return *known->second;
  const auto [line, added] = balances_.try_emplace(std::string(kind));
  // The map's key lives as long as the line, so the view into it stays valid.
  lines_.emplace(std::string_view(line->first), &line->second);
  return line->second;
}

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
