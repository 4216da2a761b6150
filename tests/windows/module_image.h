// What a module loaded in this process exports and imports, read from its image in memory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace plenorium::test {

std::vector<std::string> exportedNames(HMODULE module);
std::vector<std::string> importedLibraries(HMODULE module);

}  // namespace plenorium::test
