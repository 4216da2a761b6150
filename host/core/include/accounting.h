// Counts of every resource the host hands to a plug-in and takes back, so that an imbalance
// (a suite not released, a handle or world not disposed, a checkout not checked in) is reported.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plenorium::host {

struct Balance {
  std::int64_t taken = 0;
  std::int64_t given = 0;
  std::int64_t outstanding() const { return taken - given; }
};

class Accounting {
 public:
  // `kind` names the resource ("suite AEGP Stream Suite v9", "handle", "world", "checkout").
  void take(std::string_view kind) { counter(kind).taken++; }
  void give(std::string_view kind) { counter(kind).given++; }

  Balance balance(const std::string& kind) const;
  // The line of one kind, kept at the same address for the accounting's life.
  Balance& counter(std::string_view kind);
  const std::map<std::string, Balance>& balances() const { return balances_; }

  // One line per kind whose taken and given counts differ; empty when everything is back.
  std::vector<std::string> imbalanceReport() const;

  static std::string suiteKind(const std::string& name, int version);

 private:
  std::map<std::string, Balance> balances_;
  // The same lines by hashed kind, for the counts made on every call.
  struct KindHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view kind) const { return std::hash<std::string_view>{}(kind); }
  };
  std::unordered_map<std::string_view, Balance*, KindHash, std::equal_to<>> lines_;
};

}  // namespace plenorium::host
