#include "host_suites.h"

namespace plenorium {

SuiteName suiteName(SuiteId id) {
  switch (id) {
#define PLENORIUM_SUITE_NAME(id, accessor, Table, name, version) \
  case SuiteId::id: return {name, version};
    PLENORIUM_EFFECT_SUITES(PLENORIUM_SUITE_NAME)
#undef PLENORIUM_SUITE_NAME
    case SuiteId::COUNT: break;
  }
  return {"", 0};
}

HostSuites::HostSuites(const SPBasicSuite* basic) : basic_(basic) {
  if (basic_ == nullptr) throw MissingSuite{};
}

HostSuites::~HostSuites() {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i] == nullptr) continue;
    const SuiteName s = suiteName(static_cast<SuiteId>(i));
    basic_->ReleaseSuite(s.name, s.version);
  }
}

const void* HostSuites::acquire(SuiteId id) {
  const void*& slot = slots_[static_cast<std::size_t>(id)];
  if (slot != nullptr) return slot;
  const SuiteName s = suiteName(id);
  const void* suite = nullptr;
  const SPErr err = basic_->AcquireSuite(s.name, s.version, &suite);
  if (err != kSPNoError) throw MissingSuite{};
  // A host that reports success with no table is treated as missing the suite. It is not
  // released: nothing was handed out.
  if (suite == nullptr) throw MissingSuite{};
  slot = suite;
  return slot;
}

}  // namespace plenorium
