#include <windows.h>

#include "host_error.h"
#include "shared_library.h"
#include "windows_text.h"

namespace plenorium::host {

SharedLibrary::SharedLibrary(const std::string& path, Unload unload) {
  handle_ = LoadLibraryW(widenUtf8(path).c_str());
  if (handle_ == nullptr) {
    throw HostError("cannot load the plug-in module '" + path + "': " + windowsErrorText(GetLastError()));
  }
  if (unload == Unload::WITH_PROCESS) {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       static_cast<LPCWSTR>(handle_), &pinned);
  }
}

SharedLibrary::~SharedLibrary() {
  FreeLibrary(static_cast<HMODULE>(handle_));
}

void* SharedLibrary::symbol(const std::string& name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}

}  // namespace plenorium::host
