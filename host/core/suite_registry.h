// The suites a host offers by (name, version), with the counting of every acquisition and
// release, and test switches that refuse a pair or hand back a null table.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "SPBasic.h"
#include "accounting.h"

namespace plenorium::host {

class SuiteRegistry {
 public:
  explicit SuiteRegistry(Accounting& accounting) : accounting_(accounting) {}

  // `table` must stay valid while the registry is used.
  void provide(const std::string& name, int version, const void* table);
  bool provides(const std::string& name, int version) const;

  // Test switches.
  void refuse(const std::string& name, int version) { refused_.insert({name, version}); }
  void handNull(const std::string& name, int version) { nulls_.insert({name, version}); }

  SPErr acquire(const std::string& name, int version, const void** suite);
  SPErr release(const std::string& name, int version);

  int acquisitions(const std::string& name, int version) const;
  int releases(const std::string& name, int version) const;

 private:
  using Key = std::pair<std::string, int>;
  Accounting& accounting_;
  std::map<Key, const void*> tables_;
  std::set<Key> refused_;
  std::set<Key> nulls_;
  std::map<Key, int> acquired_;
  std::map<Key, int> released_;
};

}  // namespace plenorium::host
