#include "layout_check.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "AE_EffectCB.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "PiPL.h"
#include "SPBasic.h"

namespace plenorium::abi {

int checkPublishedLayout(const std::function<void(const std::string&)>& report) {
  int mismatches = 0;
  auto expect = [&](bool holds, const std::string& what) {
    if (holds) return;
    ++mismatches;
    report(what);
  };
  auto n = [](std::size_t v) { return std::to_string(v); };

#define PUBLISHED_RECORD(T, size, align)               \
  expect(sizeof(T) == (size) && alignof(T) == (align), \
         #T ": " + n(sizeof(T)) + " bytes aligned to " + n(alignof(T)) + ", published " #size " aligned to " #align);
#define PUBLISHED_FIELD(T, member, offset, size)                                                             \
  expect(offsetof(T, member) == (offset) && sizeof(std::declval<T&>().member) == (size),                     \
         #T "." #member ": at " + n(offsetof(T, member)) + " with " + n(sizeof(std::declval<T&>().member)) + \
             " bytes, published at " #offset " with " #size);
#define PUBLISHED_SIZE(T, size) expect(sizeof(T) == (size), #T ": " + n(sizeof(T)) + " bytes, published " #size);
#define PUBLISHED_CONSTANT(name, value)             \
  expect(static_cast<long long>(name) == value##LL, \
         #name ": " + std::to_string(static_cast<long long>(name)) + ", published " #value);
#define PUBLISHED_TEXT(name, text) \
  expect(std::strcmp(name, text) == 0, #name ": \"" + std::string(name) + "\", published " #text);
#define PUBLISHED_SUITE(versionMacro, table, nameMacro, version)                 \
  expect(versionMacro == (version) && sizeof(table) > 0 && nameMacro != nullptr, \
         #versionMacro ": " + std::to_string(versionMacro) + ", published " #version " for " #table);

#include "published_layout.inc"

#undef PUBLISHED_RECORD
#undef PUBLISHED_FIELD
#undef PUBLISHED_SIZE
#undef PUBLISHED_CONSTANT
#undef PUBLISHED_TEXT
#undef PUBLISHED_SUITE
  return mismatches;
}

}  // namespace plenorium::abi
