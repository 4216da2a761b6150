// The host's core services to a plug-in: the PICA basic suite and its registry, handles and
// memory handles, the utility callbacks, the utility and ANSI suites, call accounting and the
// trace. One HostCore serves one project; the C callbacks find it through the call in progress.
#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "AE_EffectCB.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "SPBasic.h"
#include "accounting.h"
#include "block_store.h"
#include "handle_type.h"
#include "suite_registry.h"
#include "trace_writer.h"

namespace plenorium::host {

struct UndoGroup {
  std::string name;
  bool closed = false;
};

class HostCore {
 public:
  HostCore();
  ~HostCore();
  HostCore(const HostCore&) = delete;
  HostCore& operator=(const HostCore&) = delete;

  SuiteRegistry& suites() { return suites_; }
  Accounting& accounting() { return accounting_; }
  BlockStore& handles() { return handles_; }
  BlockStore& memHandles() { return memHandles_; }
  const std::vector<UndoGroup>& undoGroups() const { return undoGroups_; }
  void startUndoGroup(const char* name) { undoGroups_.push_back({name != nullptr ? name : "", false}); }
  // Closes the innermost open group; false when none is open.
  bool endUndoGroup();

  SPBasicSuite* basicSuite() { return &basic_; }
  // The utility callbacks handed in `in_data->utils`: mostly pixel operations, so the pixel host
  // provides the table (null until it does). It must outlive its provision.
  PF_UtilCallbacks* utils() const { return utils_; }
  void provideUtilCallbacks(PF_UtilCallbacks* utils) { utils_ = utils; }

  void setTrace(TraceWriter trace) { trace_ = std::move(trace); }
  bool tracing() const { return trace_.enabled(); }
  const TraceWriter& trace() const { return trace_; }
  // One field of a trace record, held as given (a number, a flag or borrowed text) and turned into
  // JSON only when a trace is written: host calls are frequent and most renders write none.
  class TraceValue {
   public:
    template <typename T>
    requires std::is_arithmetic_v<T> || std::is_enum_v<T> TraceValue(
        T v) {  // implicit, so that call sites list plain values
      if constexpr (std::is_same_v<T, bool>) {
        kind_ = Kind::FLAG, number_ = v ? 1 : 0;
      } else if constexpr (std::is_floating_point_v<T>) {
        kind_ = Kind::REAL, real_ = static_cast<double>(v);
      } else {
        kind_ = Kind::INTEGER, number_ = static_cast<long long>(v);
      }
    }
    TraceValue(const char* text)
        : kind_(text != nullptr ? Kind::TEXT : Kind::NONE), text_(text != nullptr ? text : "") {}
    TraceValue(std::string_view text) : kind_(Kind::TEXT), text_(text) {}
    TraceValue(const std::string& text) : kind_(Kind::TEXT), text_(text) {}
    TraceValue(std::nullptr_t) {}
    TraceValue() = default;
    nlohmann::json toJson() const;

   private:
    enum class Kind { NONE, FLAG, INTEGER, REAL, TEXT };
    Kind kind_ = Kind::NONE;
    long long number_ = 0;
    double real_ = 0;
    std::string_view text_;
  };
  using TraceField = std::pair<const char*, TraceValue>;
  using TraceFields = std::initializer_list<TraceField>;
  // Records one call of the plug-in into the host under the command in progress, naming the
  // suite it belongs to and its version ("callback" and no version for the callbacks). A call
  // whose own arguments name a suite (acquiring one) keeps those.
  void traceCall(const char* call, std::span<const TraceField> fields, const TraceValue& result,
                 const char* suite = "callback", int version = 0);
  void traceCall(const char* call, TraceFields fields, const TraceValue& result, const char* suite = "callback",
                 int version = 0) {
    traceCall(call, std::span(fields.begin(), fields.size()), result, suite, version);
  }

  // Whether `handle` is one of this host's live handles of that kind. The part of the host that
  // hands a kind out says how to check it; a kind nobody checks is never valid. The effect_ref of
  // the command in progress is the only valid PF_ProgPtr.
  bool validHandle(HandleType type, const void* handle) const;
  void checkHandlesWith(HandleType type, std::function<bool(const void*)> check) {
    handleChecks_[static_cast<std::size_t>(type)] = std::move(check);
  }

  void setPluginPath(const std::string& path) { pluginPath_ = path; }
  const std::string& pluginPath() const { return pluginPath_; }

  // Test switch: the plug-in id request fails with this error (0: it succeeds).
  void failRegistration(A_Err err) { registrationError_ = err; }
  // Hands out the next plug-in id, unless the test switch says no.
  A_Err registerPlugin(AEGP_PluginID* id);

  // Other parts of the host (pixels, project, render) attach themselves so that the C callbacks,
  // which reach only this object, can find them. The service must outlive its attachment.
  // Looked up on nearly every host call, so the few services are kept in a short list keyed by an
  // address that stands for the type.
  template <typename T>
  void attach(T* service) {
    for (auto& [key, value] : services_) {
      if (key == serviceKey<T>()) {
        value = service;
        return;
      }
    }
    services_.emplace_back(serviceKey<T>(), service);
  }
  template <typename T>
  T* service() const {
    for (const auto& [key, value] : services_) {
      if (key == serviceKey<T>()) return static_cast<T*>(value);
    }
    return nullptr;
  }

  // The host serving the call in progress on this thread, or null outside plug-in calls.
  static HostCore* current();
  int currentCommand() const;

 private:
  friend class CallScope;
  friend struct CoreServices;

  Accounting accounting_;
  SuiteRegistry suites_{accounting_};
  BlockStore handles_{accounting_, "handle"};
  BlockStore memHandles_{accounting_, "memory handle"};
  TraceWriter trace_;
  std::string pluginPath_;
  std::vector<UndoGroup> undoGroups_;
  A_Err registrationError_ = A_Err_NONE;
  AEGP_PluginID nextPluginId_ = 1;
  template <typename T>
  static const void* serviceKey() {
    static constexpr char KEY = 0;  // one constant per type: its address is the key
    return &KEY;
  }
  std::vector<std::pair<const void*, void*>> services_;
  std::array<std::function<bool(const void*)>, HANDLE_TYPES> handleChecks_;

  SPBasicSuite basic_;
  PF_UtilCallbacks* utils_ = nullptr;
};

// Marks a plug-in call in progress on this thread: the C callbacks reach `host` through it, trace
// lines carry `cmd`, and `effectRef` (the command's `in_data->effect_ref`) is the effect_ref the
// plug-in may pass back. Scopes nest (a render may call a plug-in again).
class CallScope {
 public:
  CallScope(HostCore& host, int cmd, PF_ProgPtr effectRef = nullptr);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  HostCore* previousHost_;
  int previousCmd_;
  PF_ProgPtr previousRef_;
};

}  // namespace plenorium::host
