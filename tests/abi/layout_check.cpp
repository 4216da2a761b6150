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
namespace {

// Compares one fact at a time; the facts are many, so each is one plain call.
class Checker {
 public:
  explicit Checker(const std::function<void(const std::string&)>& report) : report_(report) {}

  void record(const char* name, std::size_t size, std::size_t align, std::size_t publishedSize,
              std::size_t publishedAlign) {
    if (size == publishedSize && align == publishedAlign) return;
    fail(std::string(name) + ": " + n(size) + " bytes aligned to " + n(align) + ", published " + n(publishedSize) +
         " aligned to " + n(publishedAlign));
  }
  void field(const char* name, std::size_t offset, std::size_t size, std::size_t publishedOffset,
             std::size_t publishedSize) {
    if (offset == publishedOffset && size == publishedSize) return;
    fail(std::string(name) + ": at " + n(offset) + " with " + n(size) + " bytes, published at " + n(publishedOffset) +
         " with " + n(publishedSize));
  }
  void size(const char* name, std::size_t size, std::size_t publishedSize) {
    if (size == publishedSize) return;
    fail(std::string(name) + ": " + n(size) + " bytes, published " + n(publishedSize));
  }
  void constant(const char* name, long long value, long long published) {
    if (value == published) return;
    fail(std::string(name) + ": " + std::to_string(value) + ", published " + std::to_string(published));
  }
  void text(const char* name, const char* value, const char* published) {
    if (std::strcmp(value, published) == 0) return;
    fail(std::string(name) + ": \"" + value + "\", published \"" + published + "\"");
  }
  int mismatches() const { return mismatches_; }

 private:
  static std::string n(std::size_t v) { return std::to_string(v); }
  void fail(const std::string& what) {
    ++mismatches_;
    report_(what);
  }

  const std::function<void(const std::string&)>& report_;
  int mismatches_ = 0;
};

}  // namespace

int checkPublishedLayout(const std::function<void(const std::string&)>& report) {
  Checker c(report);
#define PUBLISHED_RECORD(T, SIZE, ALIGN) c.record(#T, sizeof(T), alignof(T), SIZE, ALIGN);
#define PUBLISHED_FIELD(T, MEMBER, OFFSET, SIZE) \
  c.field(#T "." #MEMBER, offsetof(T, MEMBER), sizeof(std::declval<T&>().MEMBER), OFFSET, SIZE);
#define PUBLISHED_SIZE(T, SIZE) c.size(#T, sizeof(T), SIZE);
#define PUBLISHED_CONSTANT(NAME, VALUE) c.constant(#NAME, static_cast<long long>(NAME), VALUE##LL);
#define PUBLISHED_TEXT(NAME, VALUE) c.text(#NAME, NAME, VALUE);
#define PUBLISHED_SUITE(VERSION_MACRO, TABLE, NAME_MACRO, VERSION) \
  c.constant(#VERSION_MACRO " (" #TABLE ", " #NAME_MACRO ")", VERSION_MACRO, VERSION);
#include "published_layout.inc"
#undef PUBLISHED_RECORD
#undef PUBLISHED_FIELD
#undef PUBLISHED_SIZE
#undef PUBLISHED_CONSTANT
#undef PUBLISHED_TEXT
#undef PUBLISHED_SUITE
  return c.mismatches();
}

}  // namespace plenorium::abi
