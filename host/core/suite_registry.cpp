#include "suite_registry.h"

#include <cstring>

#include "host_error.h"

namespace plenorium::host {

SuiteRegistry::Entry& SuiteRegistry::entry(const std::string& name, int version) {
  Entry& e = entries_[{name, version}];
  if (e.balance == nullptr) e.balance = &accounting_.counter(Accounting::suiteKind(name, version));
  return e;
}

SuiteRegistry::Entry* SuiteRegistry::find(std::string_view name, int version) {
  const auto it = entries_.find(std::pair<std::string_view, int>{name, version});
  return it == entries_.end() ? nullptr : &it->second;
}

const SuiteRegistry::Entry* SuiteRegistry::find(std::string_view name, int version) const {
  const auto it = entries_.find(std::pair<std::string_view, int>{name, version});
  return it == entries_.end() ? nullptr : &it->second;
}

void SuiteRegistry::provideTable(const std::string& name, int version, const void* table, std::size_t bytes) {
  for (std::size_t at = 0; at < bytes; at += sizeof(void*)) {
    const void* slot = nullptr;
    std::memcpy(&slot, static_cast<const char*>(table) + at, sizeof(slot));
    if (slot == nullptr) {
      throw HostError("the host's table of \"" + name + "\" " + std::to_string(version) + " has no function in slot " +
                      std::to_string(at / sizeof(void*)));
    }
  }
  Entry& e = entry(name, version);
  e.table = table;
  e.bytes = bytes;
}

bool SuiteRegistry::provides(const std::string& name, int version) const {
  const Entry* e = find(name, version);
  return e != nullptr && e->table != nullptr;
}

SPErr SuiteRegistry::acquire(std::string_view name, int version, const void** suite) {
  if (suite == nullptr) return kSPSuiteNotFoundError;
  *suite = nullptr;
  Entry* e = find(name, version);
  if (e == nullptr || e->refused) return kSPSuiteNotFoundError;
  // A null table handed back as a success is nothing handed out: it is not counted.
  if (e->handsNull) return kSPNoError;
  if (e->table == nullptr) return kSPSuiteNotFoundError;
  *suite = e->table;
  e->acquired++;
  e->balance->taken++;
  return kSPNoError;
}

SPErr SuiteRegistry::release(std::string_view name, int version) {
  Entry* e = find(name, version);
  if (e == nullptr) {
    // A release of a pair never offered is still counted, so that the report shows it.
    Entry& added = entry(std::string(name), version);
    added.released++;
    added.balance->given++;
    return kSPSuiteNotFoundError;
  }
  e->released++;
  e->balance->given++;
  return e->table != nullptr ? kSPNoError : kSPSuiteNotFoundError;
}

int SuiteRegistry::acquisitions(const std::string& name, int version) const {
  const Entry* e = find(name, version);
  return e == nullptr ? 0 : e->acquired;
}

int SuiteRegistry::releases(const std::string& name, int version) const {
  const Entry* e = find(name, version);
  return e == nullptr ? 0 : e->released;
}

}  // namespace plenorium::host
