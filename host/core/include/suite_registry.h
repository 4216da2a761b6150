// The suites a host offers by (name, version), with the counting of every acquisition and
// release, and test switches that refuse a pair or hand back a null table.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "SPBasic.h"
#include "accounting.h"

namespace plenorium::host {

class SuiteRegistry {
 public:
  explicit SuiteRegistry(Accounting& accounting) : accounting_(accounting) {}

  // `table` must stay valid while the registry is used. A suite table is a row of function
  // pointers, and every one of them must be set: a table with an empty slot is refused (HostError).
  template <typename Table>
  void provide(const std::string& name, int version, const Table* table) {
    static_assert(sizeof(Table) % sizeof(void*) == 0, "a suite table is a row of function pointers");
    provideTable(name, version, table, sizeof(Table));
  }
  // Calls `visit(name, version, table, bytes)` for every table offered.
  template <typename Visit>
  void forEachTable(Visit visit) const {
    for (const auto& [key, e] : entries_) {
      if (e.table != nullptr) visit(key.first, key.second, e.table, e.bytes);
    }
  }
  bool provides(const std::string& name, int version) const;

  // Test switches.
  void refuse(const std::string& name, int version) { entry(name, version).refused = true; }
  void handNull(const std::string& name, int version) { entry(name, version).handsNull = true; }

  SPErr acquire(std::string_view name, int version, const void** suite);
  SPErr release(std::string_view name, int version);

  int acquisitions(const std::string& name, int version) const;
  int releases(const std::string& name, int version) const;

 private:
  // Pairs are looked up by a hash of a view of the caller's name, so that the frequent
  // acquisitions and releases build no strings and compare one name at most.
  struct KeyHash {
    using is_transparent = void;
    template <typename P>
    std::size_t operator()(const P& key) const {
      return std::hash<std::string_view>{}(std::string_view(key.first)) ^
             (static_cast<std::size_t>(key.second) * 0x9E3779B97F4A7C15ull);
    }
  };
  struct KeyEqual {
    using is_transparent = void;
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const {
      return a.second == b.second && std::string_view(a.first) == std::string_view(b.first);
    }
  };
  struct Entry {
    const void* table = nullptr;
    std::size_t bytes = 0;
    bool refused = false;
    bool handsNull = false;
    int acquired = 0;
    int released = 0;
    Balance* balance = nullptr;  // this pair's line in the accounting
  };
  void provideTable(const std::string& name, int version, const void* table, std::size_t bytes);
  Entry& entry(const std::string& name, int version);
  Entry* find(std::string_view name, int version);
  const Entry* find(std::string_view name, int version) const;

  Accounting& accounting_;
  std::unordered_map<std::pair<std::string, int>, Entry, KeyHash, KeyEqual> entries_;
};

}  // namespace plenorium::host
