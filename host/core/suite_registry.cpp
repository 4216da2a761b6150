#include "suite_registry.h"

namespace plenorium::host {

void SuiteRegistry::provide(const std::string& name, int version, const void* table) {
  tables_[{name, version}] = table;
}

bool SuiteRegistry::provides(const std::string& name, int version) const {
  return tables_.count({name, version}) != 0;
}

SPErr SuiteRegistry::acquire(const std::string& name, int version, const void** suite) {
  const Key key{name, version};
  if (suite == nullptr) return kSPSuiteNotFoundError;
  *suite = nullptr;
  if (refused_.count(key) != 0) return kSPSuiteNotFoundError;
  // A null table handed back as a success is nothing handed out: it is not counted.
  if (nulls_.count(key) != 0) return kSPNoError;
  const auto it = tables_.find(key);
  if (it == tables_.end()) return kSPSuiteNotFoundError;
  *suite = it->second;
  acquired_[key]++;
  accounting_.take(Accounting::suiteKind(name, version));
  return kSPNoError;
}

SPErr SuiteRegistry::release(const std::string& name, int version) {
  const Key key{name, version};
  released_[key]++;
  accounting_.give(Accounting::suiteKind(name, version));
  return tables_.count(key) != 0 ? kSPNoError : kSPSuiteNotFoundError;
}

int SuiteRegistry::acquisitions(const std::string& name, int version) const {
  const auto it = acquired_.find({name, version});
  return it == acquired_.end() ? 0 : it->second;
}

int SuiteRegistry::releases(const std::string& name, int version) const {
  const auto it = released_.find({name, version});
  return it == released_.end() ? 0 : it->second;
}

}  // namespace plenorium::host
