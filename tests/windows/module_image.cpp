#include "module_image.h"

namespace plenorium::test {
namespace {

const IMAGE_DATA_DIRECTORY& directory(HMODULE module, int which) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  return nt->OptionalHeader.DataDirectory[which];
}

template <typename T>
const T* at(HMODULE module, DWORD rva) {
  return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

}  // namespace

std::vector<std::string> exportedNames(HMODULE module) {
  std::vector<std::string> names;
  const IMAGE_DATA_DIRECTORY& entry = directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
  if (entry.Size == 0) return names;
  const auto* exports = at<IMAGE_EXPORT_DIRECTORY>(module, entry.VirtualAddress);
  const auto* nameRvas = at<DWORD>(module, exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.emplace_back(at<char>(module, nameRvas[i]));
  // Functions exported by ordinal only have no name; they count too.
  for (DWORD i = exports->NumberOfNames; i < exports->NumberOfFunctions; ++i) names.emplace_back("#ordinal");
  return names;
}

std::vector<std::string> importedLibraries(HMODULE module) {
  std::vector<std::string> names;
  const IMAGE_DATA_DIRECTORY& entry = directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
  if (entry.Size == 0) return names;
  for (const auto* import = at<IMAGE_IMPORT_DESCRIPTOR>(module, entry.VirtualAddress); import->Name != 0; ++import) {
    names.emplace_back(at<char>(module, import->Name));
  }
  return names;
}

}  // namespace plenorium::test
