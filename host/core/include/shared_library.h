// A dynamic library loaded into the process for its life: dlopen on POSIX systems, LoadLibrary
// on Windows.
#pragma once

#include <string>

namespace plenorium::host {

class SharedLibrary {
 public:
  // WITH_PROCESS: the code stays mapped until the process ends, even after this object goes; for
  // libraries whose own threads or exit handlers may still run then.
  enum class Unload { WITH_OBJECT, WITH_PROCESS };
  // Throws HostError with the system's reason when the library cannot be loaded.
  explicit SharedLibrary(const std::string& path, Unload unload = Unload::WITH_OBJECT);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported function, or null when the library has none of that name.
  void* symbol(const std::string& name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace plenorium::host
