// Reads a module's descriptor bytes from the file itself, without running any of its code: the
// `.pipl` section of an ELF module, or the PIPL resource of a Windows module.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plenorium::host {

// Throws HostError when the file cannot be read or carries no descriptor.
std::vector<std::uint8_t> readDescriptorBytes(const std::string& path);

// ELF modules only.
std::vector<std::uint8_t> readElfSection(const std::vector<std::uint8_t>& file, const std::string& section);

}  // namespace plenorium::host
