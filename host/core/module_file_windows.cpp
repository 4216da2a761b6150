// On Windows the descriptor is the module's PIPL resource, read through the resource API with the
// module mapped as data, so that none of its code runs.
#include <windows.h>

#include "PiPL.h"
#include "host_error.h"
#include "module_file.h"
#include "windows_text.h"

namespace plenorium::host {

std::vector<std::uint8_t> readDescriptorBytes(const std::string& path) {
  HMODULE image =
      LoadLibraryExW(widenUtf8(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (image == nullptr) {
    throw HostError("cannot open the plug-in module '" + path + "': " + windowsErrorText(GetLastError()));
  }
  std::vector<std::uint8_t> bytes;
  HRSRC found = FindResourceExA(image, PIPL_RESOURCE_TYPE, MAKEINTRESOURCEA(PIPL_RESOURCE_ID), PIPL_RESOURCE_LANGUAGE);
  HGLOBAL loaded = found != nullptr ? LoadResource(image, found) : nullptr;
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data != nullptr) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes.assign(first, first + SizeofResource(image, found));
  }
  FreeLibrary(image);
  if (data == nullptr) throw HostError("'" + path + "' carries no plug-in descriptor (no PIPL resource)");
  return bytes;
}

}  // namespace plenorium::host
