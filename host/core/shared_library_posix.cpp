#include <dlfcn.h>

#include "host_error.h"
#include "shared_library.h"

namespace plenorium::host {

SharedLibrary::SharedLibrary(const std::string& path, Unload unload) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | (unload == Unload::WITH_PROCESS ? RTLD_NODELETE : 0));
  if (handle_ == nullptr) throw HostError("cannot load the plug-in module '" + path + "': " + dlerror());
}

SharedLibrary::~SharedLibrary() {
  dlclose(handle_);
}

void* SharedLibrary::symbol(const std::string& name) const {
  return dlsym(handle_, name.c_str());
}

}  // namespace plenorium::host
