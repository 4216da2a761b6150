#include "host_core.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace plenorium::host {
namespace {

// The call in progress on this thread. Plug-in callbacks carry no host pointer of their own, so
// this is how they find the host that made the call.
thread_local HostCore* tCurrentHost = nullptr;
thread_local int tCurrentCmd = -1;

}  // namespace

HostCore* HostCore::current() { return tCurrentHost; }
int HostCore::currentCommand() const { return tCurrentHost == this ? tCurrentCmd : -1; }

CallScope::CallScope(HostCore& host, int cmd) : previousHost_(tCurrentHost), previousCmd_(tCurrentCmd) {
  tCurrentHost = &host;
  tCurrentCmd = cmd;
}

CallScope::~CallScope() {
  tCurrentHost = previousHost_;
  tCurrentCmd = previousCmd_;
}

nlohmann::json HostCore::TraceValue::toJson() const {
  switch (kind_) {
    case Kind::FLAG: return number_ != 0;
    case Kind::INTEGER: return number_;
    case Kind::REAL: return real_;
    case Kind::TEXT: return std::string(text_);
    case Kind::NONE: break;
  }
  return nullptr;
}

void HostCore::traceCall(const char* call, TraceFields fields, const TraceValue& result) {
  if (!trace_.enabled()) return;
  nlohmann::json record = nlohmann::json::object();
  for (const auto& [key, value] : fields) record[key] = value.toJson();
  trace_.record(currentCommand(), call, record, result.toJson());
}

// The C entry points of the core suites. Each finds the host of the call in progress.
struct CoreCallbacks {
  static HostCore* host() { return HostCore::current(); }

  static SPErr acquireSuite(const char* name, A_long version, const void** suite) {
    HostCore* h = host();
    if (h == nullptr || name == nullptr) return kSPSuiteNotFoundError;
    const SPErr err = h->suites_.acquire(name, version, suite);
    h->traceCall("AcquireSuite", {{"suite", name}, {"version", version}}, err);
    return err;
  }
  static SPErr releaseSuite(const char* name, A_long version) {
    HostCore* h = host();
    if (h == nullptr || name == nullptr) return kSPSuiteNotFoundError;
    const SPErr err = h->suites_.release(name, version);
    h->traceCall("ReleaseSuite", {{"suite", name}, {"version", version}}, err);
    return err;
  }
  static SPBoolean isEqual(const char* a, const char* b) { return std::strcmp(a, b) == 0; }
  static SPErr allocateBlock(size_t size, void** block) {
    *block = std::malloc(size);
    return *block == nullptr ? kSPSuiteNotFoundError : kSPNoError;
  }
  static SPErr freeBlock(void* block) {
    std::free(block);
    return kSPNoError;
  }
  static SPErr reallocateBlock(void* block, size_t size, void** out) {
    *out = std::realloc(block, size);
    return *out == nullptr ? kSPSuiteNotFoundError : kSPNoError;
  }
  static SPErr undefined() { return kSPSuiteNotFoundError; }

  static PF_Handle newHandle(A_u_longlong size) {
    HostCore* h = host();
    if (h == nullptr) return nullptr;
    PF_Handle handle = h->handles_.allocate(static_cast<std::size_t>(size));
    h->traceCall("host_new_handle", {{"size", size}}, nullptr);
    return handle;
  }
  static void* lockHandle(PF_Handle handle) {
    HostCore* h = host();
    return h == nullptr ? nullptr : h->handles_.lock(handle);
  }
  static void unlockHandle(PF_Handle handle) {
    if (HostCore* h = host()) h->handles_.unlock(handle);
  }
  static void disposeHandle(PF_Handle handle) {
    HostCore* h = host();
    if (h == nullptr) return;
    const bool known = h->handles_.dispose(handle);
    h->traceCall("host_dispose_handle", {{"known", known}}, nullptr);
  }
  static A_u_longlong handleSize(PF_Handle handle) {
    HostCore* h = host();
    return h == nullptr ? 0 : h->handles_.size(handle);
  }
  static PF_Err resizeHandle(A_u_longlong size, PF_Handle* handle) {
    HostCore* h = host();
    if (h == nullptr || handle == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    return h->handles_.resize(*handle, static_cast<std::size_t>(size)) ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
  }

  static PF_Err platformData(PF_ProgPtr /*effect_ref*/, PF_PlatDataID which, void* data) {
    HostCore* h = host();
    PF_Err err = PF_Err_BAD_CALLBACK_PARAM;
    if (h != nullptr && data != nullptr && which == PF_PlatData_EXE_FILE_PATH &&
        h->pluginPath_.size() < AEFX_MAX_PATH) {
      std::memcpy(data, h->pluginPath_.c_str(), h->pluginPath_.size() + 1);
      err = PF_Err_NONE;
    }
    if (h != nullptr) h->traceCall("get_platform_data", {{"which", which}}, err);
    return err;
  }

  static int ansiSprintf(A_char* buffer, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsprintf(buffer, format, args);
    va_end(args);
    if (HostCore* h = host()) h->traceCall("sprintf", {{"format", format}}, nullptr);
    return n;
  }
  static A_char* ansiStrcpy(A_char* dest, const A_char* src) { return std::strcpy(dest, src); }

  static A_Err registerWithAEGP(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) {
    HostCore* h = host();
    if (h == nullptr || id == nullptr) return A_Err_PARAMETER;
    A_Err err = h->registrationError_;
    if (err == A_Err_NONE) *id = h->nextPluginId_++;
    h->traceCall("AEGP_RegisterWithAEGP", {{"name", name != nullptr ? name : ""}}, err);
    return err;
  }
  static A_Err startUndoGroup(const A_char* name) {
    HostCore* h = host();
    if (h == nullptr) return A_Err_GENERIC;
    h->undoGroups_.push_back({name != nullptr ? name : "", false});
    h->traceCall("AEGP_StartUndoGroup", {{"name", name != nullptr ? name : ""}}, A_Err_NONE);
    return A_Err_NONE;
  }
  static A_Err endUndoGroup() {
    HostCore* h = host();
    if (h == nullptr) return A_Err_GENERIC;
    for (auto it = h->undoGroups_.rbegin(); it != h->undoGroups_.rend(); ++it) {
      if (it->closed) continue;
      it->closed = true;
      h->traceCall("AEGP_EndUndoGroup", {}, A_Err_NONE);
      return A_Err_NONE;
    }
    h->traceCall("AEGP_EndUndoGroup", {}, A_Err_GENERIC);
    return A_Err_GENERIC;
  }

  static A_Err newMemHandle(AEGP_PluginID, const A_char*, AEGP_MemSize size, AEGP_MemFlag flags, AEGP_MemHandle* out) {
    HostCore* h = host();
    if (h == nullptr || out == nullptr) return A_Err_PARAMETER;
    void** block = h->memHandles_.allocate(static_cast<std::size_t>(size));
    if (flags & AEGP_MemFlag_CLEAR) std::memset(*block, 0, static_cast<std::size_t>(size));
    *out = reinterpret_cast<AEGP_MemHandle>(block);
    h->traceCall("AEGP_NewMemHandle", {{"size", size}}, A_Err_NONE);
    return A_Err_NONE;
  }
  static void** block(AEGP_MemHandle mem) { return reinterpret_cast<void**>(mem); }
  static A_Err freeMemHandle(AEGP_MemHandle mem) {
    HostCore* h = host();
    if (h == nullptr) return A_Err_GENERIC;
    const A_Err err = h->memHandles_.dispose(block(mem)) ? A_Err_NONE : A_Err_PARAMETER;
    h->traceCall("AEGP_FreeMemHandle", {}, err);
    return err;
  }
  static A_Err lockMemHandle(AEGP_MemHandle mem, void** ptr) {
    HostCore* h = host();
    if (h == nullptr || ptr == nullptr) return A_Err_PARAMETER;
    *ptr = h->memHandles_.lock(block(mem));
    return *ptr == nullptr ? A_Err_PARAMETER : A_Err_NONE;
  }
  static A_Err unlockMemHandle(AEGP_MemHandle mem) {
    HostCore* h = host();
    return h != nullptr && h->memHandles_.unlock(block(mem)) ? A_Err_NONE : A_Err_PARAMETER;
  }
  static A_Err memHandleSize(AEGP_MemHandle mem, AEGP_MemSize* size) {
    HostCore* h = host();
    if (h == nullptr || size == nullptr || !h->memHandles_.owns(block(mem))) return A_Err_PARAMETER;
    *size = h->memHandles_.size(block(mem));
    return A_Err_NONE;
  }
  static A_Err resizeMemHandle(const A_char*, AEGP_MemSize size, AEGP_MemHandle mem) {
    HostCore* h = host();
    return h != nullptr && h->memHandles_.resize(block(mem), static_cast<std::size_t>(size)) ? A_Err_NONE
                                                                                              : A_Err_PARAMETER;
  }
};

HostCore::HostCore() {
  basic_.AcquireSuite = &CoreCallbacks::acquireSuite;
  basic_.ReleaseSuite = &CoreCallbacks::releaseSuite;
  basic_.IsEqual = &CoreCallbacks::isEqual;
  basic_.AllocateBlock = &CoreCallbacks::allocateBlock;
  basic_.FreeBlock = &CoreCallbacks::freeBlock;
  basic_.ReallocateBlock = &CoreCallbacks::reallocateBlock;
  basic_.Undefined = &CoreCallbacks::undefined;

  handleSuite_.host_new_handle = &CoreCallbacks::newHandle;
  handleSuite_.host_lock_handle = &CoreCallbacks::lockHandle;
  handleSuite_.host_unlock_handle = &CoreCallbacks::unlockHandle;
  handleSuite_.host_dispose_handle = &CoreCallbacks::disposeHandle;
  handleSuite_.host_get_handle_size = &CoreCallbacks::handleSize;
  handleSuite_.host_resize_handle = &CoreCallbacks::resizeHandle;

  using Fn1 = A_FpLong (*)(A_FpLong);
  using Fn2 = A_FpLong (*)(A_FpLong, A_FpLong);
  ansiSuite_ = PF_ANSICallbacksSuite1{static_cast<Fn1>(std::atan), static_cast<Fn2>(std::atan2),
                                      static_cast<Fn1>(std::ceil), static_cast<Fn1>(std::cos),
                                      static_cast<Fn1>(std::exp), static_cast<Fn1>(std::fabs),
                                      static_cast<Fn1>(std::floor), static_cast<Fn2>(std::fmod),
                                      static_cast<Fn2>(std::hypot), static_cast<Fn1>(std::log),
                                      static_cast<Fn1>(std::log10), static_cast<Fn2>(std::pow),
                                      static_cast<Fn1>(std::sin), static_cast<Fn1>(std::sqrt),
                                      static_cast<Fn1>(std::tan), &CoreCallbacks::ansiSprintf,
                                      &CoreCallbacks::ansiStrcpy, static_cast<Fn1>(std::asin),
                                      static_cast<Fn1>(std::acos)};

  utils_.host_new_handle = handleSuite_.host_new_handle;
  utils_.host_lock_handle = handleSuite_.host_lock_handle;
  utils_.host_unlock_handle = handleSuite_.host_unlock_handle;
  utils_.host_dispose_handle = handleSuite_.host_dispose_handle;
  utils_.host_get_handle_size = handleSuite_.host_get_handle_size;
  utils_.host_resize_handle = handleSuite_.host_resize_handle;
  utils_.get_platform_data = &CoreCallbacks::platformData;
  utils_.ansi.atan = ansiSuite_.atan;
  utils_.ansi.atan2 = ansiSuite_.atan2;
  utils_.ansi.ceil = ansiSuite_.ceil;
  utils_.ansi.cos = ansiSuite_.cos;
  utils_.ansi.exp = ansiSuite_.exp;
  utils_.ansi.fabs = ansiSuite_.fabs;
  utils_.ansi.floor = ansiSuite_.floor;
  utils_.ansi.fmod = ansiSuite_.fmod;
  utils_.ansi.hypot = ansiSuite_.hypot;
  utils_.ansi.log = ansiSuite_.log;
  utils_.ansi.log10 = ansiSuite_.log10;
  utils_.ansi.pow = ansiSuite_.pow;
  utils_.ansi.sin = ansiSuite_.sin;
  utils_.ansi.sqrt = ansiSuite_.sqrt;
  utils_.ansi.tan = ansiSuite_.tan;
  utils_.ansi.sprintf = ansiSuite_.sprintf;
  utils_.ansi.strcpy = ansiSuite_.strcpy;
  utils_.ansi.asin = ansiSuite_.asin;
  utils_.ansi.acos = ansiSuite_.acos;

  utilitySuite7_.AEGP_RegisterWithAEGP = &CoreCallbacks::registerWithAEGP;
  utilitySuite7_.AEGP_StartUndoGroup = &CoreCallbacks::startUndoGroup;
  utilitySuite7_.AEGP_EndUndoGroup = &CoreCallbacks::endUndoGroup;
  utilitySuite11_.AEGP_RegisterWithAEGP = &CoreCallbacks::registerWithAEGP;
  utilitySuite11_.AEGP_StartUndoGroup = &CoreCallbacks::startUndoGroup;
  utilitySuite11_.AEGP_EndUndoGroup = &CoreCallbacks::endUndoGroup;

  memorySuite_.AEGP_NewMemHandle = &CoreCallbacks::newMemHandle;
  memorySuite_.AEGP_FreeMemHandle = &CoreCallbacks::freeMemHandle;
  memorySuite_.AEGP_LockMemHandle = &CoreCallbacks::lockMemHandle;
  memorySuite_.AEGP_UnlockMemHandle = &CoreCallbacks::unlockMemHandle;
  memorySuite_.AEGP_GetMemHandleSize = &CoreCallbacks::memHandleSize;
  memorySuite_.AEGP_ResizeMemHandle = &CoreCallbacks::resizeMemHandle;

  suites_.provide(kPFHandleSuite, kPFHandleSuiteVersion2, &handleSuite_);
  suites_.provide(kPFANSISuite, kPFANSISuiteVersion1, &ansiSuite_);
  suites_.provide(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion7, &utilitySuite7_);
  suites_.provide(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion11, &utilitySuite11_);
  suites_.provide(kAEGPMemorySuite, kAEGPMemorySuiteVersion1, &memorySuite_);
}

HostCore::~HostCore() = default;

}  // namespace plenorium::host
