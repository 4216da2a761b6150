// The C boundary between a plug-in and the host. Every function the host puts into a suite or
// callback table is made here from one line of that table's list:
//
//   const AEGP_LayerSuite7 table{
//       PLENORIUM_SERVE(AEGP_LayerSuite7, AEGP_GetCompNumLayers, getCompNumLayers),
//       PLENORIUM_ABSENT(AEGP_LayerSuite7, AEGP_GetActiveLayer),
//       ...};
//
// The lines name the table's members in their published order (the compiler refuses another
// order) and SuiteRegistry::provide refuses a table with an empty slot. The function made for a
// slot finds the host of the call in progress, refuses any handle argument that the host did not
// hand out, calls the implementation with a Call (the host, and notes for the trace), turns an
// exception into an error code and writes the trace line. A slot the host does not implement
// returns an error code and is traced with "unimplemented".
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>
#include <span>
#include <string_view>
#include <type_traits>

#include "handle_type.h"
#include "host_core.h"
#include "suite_identity.h"

namespace plenorium::host {

// A slot's name as a template argument.
template <std::size_t N>
struct SlotName {
  constexpr SlotName(const char (&text)[N]) { std::copy_n(text, N, chars); }
  constexpr std::string_view view() const { return {chars, N - 1}; }
  char chars[N];
};

// One call of a plug-in into the host, as the slot's implementation sees it.
class Call {
 public:
  // `suite` and `version` name the suite the slot belongs to ("callback" and 0 for callbacks).
  Call(HostCore& host, const char* name, const char* suite = "callback", int version = 0)
      : host_(host), name_(name), suite_(suite), version_(version), tracing_(host.tracing()) {}
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  HostCore& host() const { return host_; }
  template <typename T>
  T* service() const {
    return host_.service<T>();
  }
  // Adds one of the call's own arguments or findings to its trace line. Text must outlive the
  // call. A call keeps a handful; more are dropped. Without a trace nothing is kept: calls are
  // made hundreds of thousands of times a frame.
  void note(const char* key, HostCore::TraceValue value) {
    if (tracing_ && count_ < MAX_NOTES)
      ::new (&notes_[count_++ * sizeof(HostCore::TraceField)]) HostCore::TraceField{key, value};
  }
  void finish(const HostCore::TraceValue& result) {
    if (tracing_)
      host_.traceCall(name_, std::span(std::launder(reinterpret_cast<const HostCore::TraceField*>(notes_)), count_),
                      result, suite_, version_);
  }

 private:
  static constexpr std::size_t MAX_NOTES = 8;
  static_assert(std::is_trivially_destructible_v<HostCore::TraceField>);

  HostCore& host_;
  const char* name_;
  const char* suite_;
  int version_;
  bool tracing_;
  std::size_t count_ = 0;
  // Left uninitialised: notes are constructed in place only while tracing.
  alignas(HostCore::TraceField) unsigned char notes_[MAX_NOTES * sizeof(HostCore::TraceField)];
};

// The codes a slot answers with when the host cannot serve it. The AEGP suites answer in A_Err
// codes (their slots' names all start with "AEGP_"); the effect-side suites, the callbacks and
// the basic suite in PF_Err codes.
struct FailureCodes {
  A_long badHandle;
  A_long outOfMemory;
  A_long failed;
  A_long unimplemented;
};
inline constexpr FailureCodes AEGP_FAILURES{A_Err_PARAMETER, A_Err_ALLOC, A_Err_GENERIC, A_Err_GENERIC};
inline constexpr FailureCodes PF_FAILURES{PF_Err_BAD_CALLBACK_PARAM, PF_Err_OUT_OF_MEMORY,
                                          PF_Err_INTERNAL_STRUCT_DAMAGED, PF_Err_INVALID_CALLBACK};

namespace boundary {

// Error codes are A_long; other results (handles, pointers, sizes, numbers) fail as zero.
template <typename R>
inline constexpr bool RETURNS_CODE = std::is_same_v<R, A_long>;

template <typename R>
R failure([[maybe_unused]] A_long code) {
  if constexpr (RETURNS_CODE<R>) {
    return code;
  } else if constexpr (!std::is_void_v<R>) {
    return R{};
  }
}

template <typename T>
bool handleValid(const HostCore& host, const T& value) {
  if constexpr (CheckedHandle<T>) {
    return host.validHandle(HandleTypeOf<T>::value, value);
  } else {
    return true;
  }
}

template <typename R>
HostCore::TraceValue traceResult([[maybe_unused]] const R& result) {
  if constexpr (RETURNS_CODE<R>) {
    return result;
  } else {
    return nullptr;
  }
}

}  // namespace boundary

template <typename Table, typename Fn, SlotName Name, auto Impl>
struct Slot;

template <typename Table, typename R, typename... Args, SlotName Name, auto Impl>
struct Slot<Table, R (*)(Args...), Name, Impl> {
  static constexpr FailureCodes CODES = Name.view().starts_with("AEGP_") ? AEGP_FAILURES : PF_FAILURES;

  static R call(Args... args) {
    HostCore* host = HostCore::current();
    if (host == nullptr) return boundary::failure<R>(CODES.failed);  // no plug-in call in progress
    Call c(*host, Name.chars, SuiteIdentity<Table>::NAME, SuiteIdentity<Table>::VERSION);
    if constexpr (std::is_null_pointer_v<decltype(Impl)>) {
      c.note("unimplemented", true);
      return finish(c, boundary::failure<R>(CODES.unimplemented));
    } else {
      if (!(boundary::handleValid(*host, args) && ...)) {
        c.note("invalidHandle", true);
        return finish(c, boundary::failure<R>(CODES.badHandle));
      }
      try {
        return finish(c, Impl(c, args...));
      } catch (const std::bad_alloc&) {
        c.note("exception", "out of memory");
        return finish(c, boundary::failure<R>(CODES.outOfMemory));
      } catch (...) {
        c.note("exception", true);
        return finish(c, boundary::failure<R>(CODES.failed));
      }
    }
  }

 private:
  static R finish(Call& c, R result) {
    c.finish(boundary::traceResult(result));
    return result;
  }
};

template <typename Table, typename... Args, SlotName Name, auto Impl>
struct Slot<Table, void (*)(Args...), Name, Impl> {
  static void call(Args... args) {
    HostCore* host = HostCore::current();
    if (host == nullptr) return;
    Call c(*host, Name.chars, SuiteIdentity<Table>::NAME, SuiteIdentity<Table>::VERSION);
    if constexpr (std::is_null_pointer_v<decltype(Impl)>) {
      c.note("unimplemented", true);
    } else if (!(boundary::handleValid(*host, args) && ...)) {
      c.note("invalidHandle", true);
    } else {
      try {
        Impl(c, args...);
      } catch (...) {
        c.note("exception", true);
      }
    }
    c.finish(nullptr);
  }
};

}  // namespace plenorium::host

// One slot of a table's list: served by `impl`, a function taking a Call& and then the slot's
// own arguments, or absent. PLENORIUM_SLOT is the slot's function alone, for a table that a later
// version of a suite extends after its list (see the suites' `...Table<Table>()` functions).
#define PLENORIUM_SLOT(Table, member, ...) \
  &::plenorium::host::Slot<Table, decltype(Table::member), #member, __VA_ARGS__>::call
#define PLENORIUM_SERVE(Table, member, ...) .member = PLENORIUM_SLOT(Table, member, __VA_ARGS__)
#define PLENORIUM_ABSENT(Table, member) .member = PLENORIUM_SLOT(Table, member, nullptr)
