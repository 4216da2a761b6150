// A dynamic library loaded into the process for its life: dlopen on POSIX systems, LoadLibrary
// on Windows.
#pragma once

#include <string>

namespace plenorium::host {

class SharedLibrary {
 public:
  // Throws HostError with the system's reason when the library cannot be loaded.
  explicit SharedLibrary(const std::string& path);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported function, or null when the library has none of that name.
  void* symbol(const std::string& name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace plenorium::host
