#include "host_core.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core_services.h"

namespace plenorium::host {
namespace {

// The call in progress on this thread. Plug-in callbacks carry no host pointer of their own, so
// this is how they find the host that made the call.
thread_local HostCore* tCurrentHost = nullptr;
thread_local int tCurrentCmd = -1;
thread_local PF_ProgPtr tCurrentEffectRef = nullptr;

}  // namespace

HostCore* HostCore::current() {
  return tCurrentHost;
}
int HostCore::currentCommand() const {
  return tCurrentHost == this ? tCurrentCmd : -1;
}

CallScope::CallScope(HostCore& host, int cmd, PF_ProgPtr effectRef)
    : previousHost_(tCurrentHost), previousCmd_(tCurrentCmd), previousRef_(tCurrentEffectRef) {
  tCurrentHost = &host;
  tCurrentCmd = cmd;
  tCurrentEffectRef = effectRef;
}

CallScope::~CallScope() {
  tCurrentHost = previousHost_;
  tCurrentCmd = previousCmd_;
  tCurrentEffectRef = previousRef_;
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

void HostCore::traceCall(const char* call, std::span<const TraceField> fields, const TraceValue& result,
                         const char* suite, int version) {
  if (!trace_.enabled()) return;
  nlohmann::json record = nlohmann::json::object();
  for (const auto& [key, value] : fields) record[key] = value.toJson();
  if (!record.contains("suite")) {
    record["suite"] = suite;
    if (version > 0) record["version"] = version;
  }
  trace_.record(currentCommand(), call, record, result.toJson());
}

bool HostCore::validHandle(HandleType type, const void* handle) const {
  if (handle == nullptr) return false;
  if (type == HandleType::EFFECT_CONTEXT) return tCurrentHost == this && handle == tCurrentEffectRef;
  const auto& check = handleChecks_[static_cast<std::size_t>(type)];
  return check && check(handle);
}

// --- shared by several tables ---
PF_Handle CoreServices::newHandle(Call& c, A_u_longlong size) {
  c.note("size", size);
  return c.host().handles().allocate(static_cast<std::size_t>(size));
}

void* CoreServices::lockHandle(Call& c, PF_Handle handle) {
  return c.host().handles().lock(handle);
}

void CoreServices::unlockHandle(Call& c, PF_Handle handle) {
  c.host().handles().unlock(handle);
}

void CoreServices::disposeHandle(Call& c, PF_Handle handle) {
  c.note("known", c.host().handles().dispose(handle));
}

A_u_longlong CoreServices::handleSize(Call& c, PF_Handle handle) {
  return c.host().handles().size(handle);
}

PF_Err CoreServices::resizeHandle(Call& c, A_u_longlong size, PF_Handle* handle) {
  if (handle == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  c.note("size", size);
  return c.host().handles().resize(*handle, static_cast<std::size_t>(size)) ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
}

PF_Err CoreServices::platformData(Call& c, PF_ProgPtr, PF_PlatDataID which, void* data) {
  c.note("which", which);
  const std::string& path = c.host().pluginPath();
  if (data == nullptr || which != PF_PlatData_EXE_FILE_PATH || path.size() >= AEFX_MAX_PATH) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  std::memcpy(data, path.c_str(), path.size() + 1);
  return PF_Err_NONE;
}

int CoreServices::ansiSprintf(A_char* buffer, const A_char* format, ...) {
  if (buffer == nullptr || format == nullptr) return -1;
  va_list args;
  va_start(args, format);
  const int n = std::vsprintf(buffer, format, args);
  va_end(args);
  if (HostCore* h = HostCore::current()) h->traceCall("sprintf", {{"format", format}}, nullptr);
  return n;
}

A_char* CoreServices::ansiStrcpy(Call&, A_char* dest, const A_char* src) {
  return dest != nullptr && src != nullptr ? std::strcpy(dest, src) : dest;
}

namespace {

// --- the basic suite ---
SPErr acquireSuite(Call& c, const char* name, int32 version, const void** suite) {
  if (name == nullptr) return kSPSuiteNotFoundError;
  c.note("suite", name);
  c.note("version", version);
  return c.host().suites().acquire(name, version, suite);
}
SPErr releaseSuite(Call& c, const char* name, int32 version) {
  if (name == nullptr) return kSPSuiteNotFoundError;
  c.note("suite", name);
  c.note("version", version);
  return c.host().suites().release(name, version);
}
SPBoolean isEqual(Call&, const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}
SPErr allocateBlock(Call&, size_t size, void** block) {
  if (block == nullptr) return kSPSuiteNotFoundError;
  *block = std::malloc(size);
  return *block == nullptr ? kSPSuiteNotFoundError : kSPNoError;
}
SPErr freeBlock(Call&, void* block) {
  std::free(block);
  return kSPNoError;
}
SPErr reallocateBlock(Call&, void* block, size_t size, void** out) {
  if (out == nullptr) return kSPSuiteNotFoundError;
  *out = std::realloc(block, size);
  return *out == nullptr ? kSPSuiteNotFoundError : kSPNoError;
}
SPErr undefined(Call&) {
  return kSPSuiteNotFoundError;
}

// --- "AEGP Utility Suite" 7 and 11 ---
A_Err registerWithAEGP(Call& c, AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) {
  if (id == nullptr) return A_Err_PARAMETER;
  c.note("name", name);
  return c.host().registerPlugin(id);
}
A_Err startUndoGroup(Call& c, const A_char* name) {
  c.note("name", name);
  c.host().startUndoGroup(name);
  return A_Err_NONE;
}
A_Err endUndoGroup(Call& c) {
  return c.host().endUndoGroup() ? A_Err_NONE : A_Err_GENERIC;
}

// --- "AEGP Memory Suite" 1 ---
void** block(AEGP_MemHandle mem) {
  return reinterpret_cast<void**>(mem);
}

A_Err newMemHandle(Call& c, AEGP_PluginID, const A_char*, AEGP_MemSize size, AEGP_MemFlag flags, AEGP_MemHandle* out) {
  if (out == nullptr) return A_Err_PARAMETER;
  c.note("size", size);
  void** b = c.host().memHandles().allocate(size);
  if (flags & AEGP_MemFlag_CLEAR) std::memset(*b, 0, size);
  *out = reinterpret_cast<AEGP_MemHandle>(b);
  return A_Err_NONE;
}
A_Err freeMemHandle(Call& c, AEGP_MemHandle mem) {
  return c.host().memHandles().dispose(block(mem)) ? A_Err_NONE : A_Err_PARAMETER;
}
A_Err lockMemHandle(Call& c, AEGP_MemHandle mem, void** ptr) {
  if (ptr == nullptr) return A_Err_PARAMETER;
  *ptr = c.host().memHandles().lock(block(mem));
  return *ptr == nullptr ? A_Err_PARAMETER : A_Err_NONE;
}
A_Err unlockMemHandle(Call& c, AEGP_MemHandle mem) {
  return c.host().memHandles().unlock(block(mem)) ? A_Err_NONE : A_Err_PARAMETER;
}
A_Err memHandleSize(Call& c, AEGP_MemHandle mem, AEGP_MemSize* size) {
  if (size == nullptr) return A_Err_PARAMETER;
  *size = static_cast<AEGP_MemSize>(c.host().memHandles().size(block(mem)));
  return A_Err_NONE;
}
A_Err resizeMemHandle(Call& c, const A_char*, AEGP_MemSize size, AEGP_MemHandle mem) {
  c.note("size", size);
  return c.host().memHandles().resize(block(mem), size) ? A_Err_NONE : A_Err_PARAMETER;
}

// --- the ANSI helpers ---
template <A_FpLong (*F)(A_FpLong)>
A_FpLong math1(Call&, A_FpLong x) {
  return F(x);
}
template <A_FpLong (*F)(A_FpLong, A_FpLong)>
A_FpLong math2(Call&, A_FpLong x, A_FpLong y) {
  return F(x, y);
}
A_FpLong atanOf(A_FpLong x) {
  return std::atan(x);
}
A_FpLong atan2Of(A_FpLong y, A_FpLong x) {
  return std::atan2(y, x);
}
A_FpLong ceilOf(A_FpLong x) {
  return std::ceil(x);
}
A_FpLong cosOf(A_FpLong x) {
  return std::cos(x);
}
A_FpLong expOf(A_FpLong x) {
  return std::exp(x);
}
A_FpLong fabsOf(A_FpLong x) {
  return std::fabs(x);
}
A_FpLong floorOf(A_FpLong x) {
  return std::floor(x);
}
A_FpLong fmodOf(A_FpLong x, A_FpLong y) {
  return std::fmod(x, y);
}
A_FpLong hypotOf(A_FpLong x, A_FpLong y) {
  return std::hypot(x, y);
}
A_FpLong logOf(A_FpLong x) {
  return std::log(x);
}
A_FpLong log10Of(A_FpLong x) {
  return std::log10(x);
}
A_FpLong powOf(A_FpLong x, A_FpLong y) {
  return std::pow(x, y);
}
A_FpLong sinOf(A_FpLong x) {
  return std::sin(x);
}
A_FpLong sqrtOf(A_FpLong x) {
  return std::sqrt(x);
}
A_FpLong tanOf(A_FpLong x) {
  return std::tan(x);
}
A_FpLong asinOf(A_FpLong x) {
  return std::asin(x);
}
A_FpLong acosOf(A_FpLong x) {
  return std::acos(x);
}

const PF_HandleSuite1 HANDLE_SUITE{
    PLENORIUM_SERVE(PF_HandleSuite1, host_new_handle, CoreServices::newHandle),
    PLENORIUM_SERVE(PF_HandleSuite1, host_lock_handle, CoreServices::lockHandle),
    PLENORIUM_SERVE(PF_HandleSuite1, host_unlock_handle, CoreServices::unlockHandle),
    PLENORIUM_SERVE(PF_HandleSuite1, host_dispose_handle, CoreServices::disposeHandle),
    PLENORIUM_SERVE(PF_HandleSuite1, host_get_handle_size, CoreServices::handleSize),
    PLENORIUM_SERVE(PF_HandleSuite1, host_resize_handle, CoreServices::resizeHandle),
};

const PF_ANSICallbacksSuite1 ANSI_SUITE{
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, atan, math1<atanOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, atan2, math2<atan2Of>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, ceil, math1<ceilOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, cos, math1<cosOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, exp, math1<expOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, fabs, math1<fabsOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, floor, math1<floorOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, fmod, math2<fmodOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, hypot, math2<hypotOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, log, math1<logOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, log10, math1<log10Of>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, pow, math2<powOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, sin, math1<sinOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, sqrt, math1<sqrtOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, tan, math1<tanOf>),
    .sprintf = &CoreServices::ansiSprintf,
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, strcpy, CoreServices::ansiStrcpy),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, asin, math1<asinOf>),
    PLENORIUM_SERVE(PF_ANSICallbacksSuite1, acos, math1<acosOf>),
};

// The later version's own slots are set after the list; the suite registry refuses a table
// with an empty slot, so none can be forgotten.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// The Utility suite's slots of version 7; 11 adds six, none of them served.
template <typename Table>
constexpr Table utilityTable() {
  Table t{
      PLENORIUM_ABSENT(Table, AEGP_ReportInfo),
      PLENORIUM_ABSENT(Table, AEGP_GetDriverPluginInitFuncVersion),
      PLENORIUM_ABSENT(Table, AEGP_GetDriverImplementationVersion),
      PLENORIUM_ABSENT(Table, AEGP_StartQuietErrors),
      PLENORIUM_ABSENT(Table, AEGP_EndQuietErrors),
      PLENORIUM_SERVE(Table, AEGP_StartUndoGroup, startUndoGroup),
      PLENORIUM_SERVE(Table, AEGP_EndUndoGroup, endUndoGroup),
      PLENORIUM_SERVE(Table, AEGP_RegisterWithAEGP, registerWithAEGP),
      PLENORIUM_ABSENT(Table, AEGP_GetMainHWND),
      PLENORIUM_ABSENT(Table, AEGP_ShowHideAllFloaters),
      PLENORIUM_ABSENT(Table, AEGP_PaintPalGetForeColor),
      PLENORIUM_ABSENT(Table, AEGP_PaintPalGetBackColor),
      PLENORIUM_ABSENT(Table, AEGP_PaintPalSetForeColor),
      PLENORIUM_ABSENT(Table, AEGP_PaintPalSetBackColor),
      PLENORIUM_ABSENT(Table, AEGP_CharPalGetFillColor),
      PLENORIUM_ABSENT(Table, AEGP_CharPalGetStrokeColor),
      PLENORIUM_ABSENT(Table, AEGP_CharPalSetFillColor),
      PLENORIUM_ABSENT(Table, AEGP_CharPalSetStrokeColor),
      PLENORIUM_ABSENT(Table, AEGP_CharPalIsFillColorUIFrontmost),
      PLENORIUM_ABSENT(Table, AEGP_ConvertFpLongToHSFRatio),
      PLENORIUM_ABSENT(Table, AEGP_ConvertHSFRatioToFpLong),
      PLENORIUM_ABSENT(Table, AEGP_CauseIdleRoutinesToBeCalled),
      PLENORIUM_ABSENT(Table, AEGP_GetSuppressInteractiveUI),
      PLENORIUM_ABSENT(Table, AEGP_WriteToOSConsole),
      PLENORIUM_ABSENT(Table, AEGP_WriteToDebugLog),
  };
  if constexpr (requires { &Table::AEGP_GetLastErrorMessage; }) {
    t.AEGP_GetLastErrorMessage = PLENORIUM_SLOT(Table, AEGP_GetLastErrorMessage, nullptr);
    t.AEGP_IsScriptingAvailable = PLENORIUM_SLOT(Table, AEGP_IsScriptingAvailable, nullptr);
    t.AEGP_ExecuteScript = PLENORIUM_SLOT(Table, AEGP_ExecuteScript, nullptr);
    t.AEGP_HostIsActivated = PLENORIUM_SLOT(Table, AEGP_HostIsActivated, nullptr);
    t.AEGP_GetPluginPlatformRef = PLENORIUM_SLOT(Table, AEGP_GetPluginPlatformRef, nullptr);
    t.AEGP_UpdateFontList = PLENORIUM_SLOT(Table, AEGP_UpdateFontList, nullptr);
  }
  return t;
}
#pragma GCC diagnostic pop

const AEGP_UtilitySuite3 UTILITY_SUITE_7 = utilityTable<AEGP_UtilitySuite3>();
const AEGP_UtilitySuite5 UTILITY_SUITE_11 = utilityTable<AEGP_UtilitySuite5>();

const AEGP_MemorySuite1 MEMORY_SUITE{
    PLENORIUM_SERVE(AEGP_MemorySuite1, AEGP_NewMemHandle, newMemHandle),
    PLENORIUM_SERVE(AEGP_MemorySuite1, AEGP_FreeMemHandle, freeMemHandle),
    PLENORIUM_SERVE(AEGP_MemorySuite1, AEGP_LockMemHandle, lockMemHandle),
    PLENORIUM_SERVE(AEGP_MemorySuite1, AEGP_UnlockMemHandle, unlockMemHandle),
    PLENORIUM_SERVE(AEGP_MemorySuite1, AEGP_GetMemHandleSize, memHandleSize),
    PLENORIUM_SERVE(AEGP_MemorySuite1, AEGP_ResizeMemHandle, resizeMemHandle),
    PLENORIUM_ABSENT(AEGP_MemorySuite1, AEGP_SetMemReportingOn),
    PLENORIUM_ABSENT(AEGP_MemorySuite1, AEGP_GetMemStats),
};

const SPBasicSuite BASIC_SUITE{
    PLENORIUM_SERVE(SPBasicSuite, AcquireSuite, acquireSuite),
    PLENORIUM_SERVE(SPBasicSuite, ReleaseSuite, releaseSuite),
    PLENORIUM_SERVE(SPBasicSuite, IsEqual, isEqual),
    PLENORIUM_SERVE(SPBasicSuite, AllocateBlock, allocateBlock),
    PLENORIUM_SERVE(SPBasicSuite, FreeBlock, freeBlock),
    PLENORIUM_SERVE(SPBasicSuite, ReallocateBlock, reallocateBlock),
    PLENORIUM_SERVE(SPBasicSuite, Undefined, undefined),
};

}  // namespace

PF_ANSICallbacks ansiCallbacks() {
  return PF_ANSICallbacks{ANSI_SUITE.atan,    ANSI_SUITE.atan2,  ANSI_SUITE.ceil, ANSI_SUITE.cos,   ANSI_SUITE.exp,
                          ANSI_SUITE.fabs,    ANSI_SUITE.floor,  ANSI_SUITE.fmod, ANSI_SUITE.hypot, ANSI_SUITE.log,
                          ANSI_SUITE.log10,   ANSI_SUITE.pow,    ANSI_SUITE.sin,  ANSI_SUITE.sqrt,  ANSI_SUITE.tan,
                          ANSI_SUITE.sprintf, ANSI_SUITE.strcpy, ANSI_SUITE.asin, ANSI_SUITE.acos,  {0}};
}

PF_ColorCallbacks colorCallbacks() {
  return PF_ColorCallbacks{
      PLENORIUM_ABSENT(PF_ColorCallbacks, RGBtoHLS),  PLENORIUM_ABSENT(PF_ColorCallbacks, HLStoRGB),
      PLENORIUM_ABSENT(PF_ColorCallbacks, RGBtoYIQ),  PLENORIUM_ABSENT(PF_ColorCallbacks, YIQtoRGB),
      PLENORIUM_ABSENT(PF_ColorCallbacks, Luminance), PLENORIUM_ABSENT(PF_ColorCallbacks, Hue),
      PLENORIUM_ABSENT(PF_ColorCallbacks, Lightness), PLENORIUM_ABSENT(PF_ColorCallbacks, Saturation),
  };
}

bool HostCore::endUndoGroup() {
  for (auto it = undoGroups_.rbegin(); it != undoGroups_.rend(); ++it) {
    if (it->closed) continue;
    it->closed = true;
    return true;
  }
  return false;
}

A_Err HostCore::registerPlugin(AEGP_PluginID* id) {
  if (registrationError_ != A_Err_NONE) return registrationError_;
  *id = nextPluginId_++;
  return A_Err_NONE;
}

HostCore::HostCore() : basic_(BASIC_SUITE) {
  checkHandlesWith(HandleType::MEMORY, [this](const void* h) {
    return memHandles_.owns(const_cast<void**>(static_cast<void* const*>(h)));
  });
  suites_.provide(kPFHandleSuite, kPFHandleSuiteVersion1, &HANDLE_SUITE);
  suites_.provide(kPFANSISuite, kPFANSISuiteVersion1, &ANSI_SUITE);
  suites_.provide(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, &UTILITY_SUITE_7);
  suites_.provide(kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5, &UTILITY_SUITE_11);
  suites_.provide(kAEGPMemorySuite, kAEGPMemorySuiteVersion1, &MEMORY_SUITE);
}

HostCore::~HostCore() = default;

}  // namespace plenorium::host
