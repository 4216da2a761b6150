#include "module_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "host_error.h"

namespace plenorium::host {
namespace {

template <typename T>
T readAt(const std::vector<std::uint8_t>& file, std::uint64_t offset) {
  if (offset > file.size() || sizeof(T) > file.size() - offset) throw HostError("the module file is truncated");
  T value;
  std::memcpy(&value, file.data() + offset, sizeof(T));
  return value;
}

}  // namespace

std::vector<std::uint8_t> readElfSection(const std::vector<std::uint8_t>& file, const std::string& section) {
  static const std::uint8_t MAGIC[4] = {0x7F, 'E', 'L', 'F'};
  if (file.size() < 64 || std::memcmp(file.data(), MAGIC, 4) != 0) throw HostError("not an ELF file");
  if (file[4] != 2 || file[5] != 1) throw HostError("not a 64-bit little-endian ELF file");

  const auto sectionHeaders = readAt<std::uint64_t>(file, 0x28);
  const auto headerSize = readAt<std::uint16_t>(file, 0x3A);
  const auto count = readAt<std::uint16_t>(file, 0x3C);
  const auto namesIndex = readAt<std::uint16_t>(file, 0x3E);
  if (headerSize < 64 || namesIndex >= count) throw HostError("the ELF section table is malformed");

  auto header = [&](std::uint64_t i) { return sectionHeaders + i * headerSize; };
  const auto namesOffset = readAt<std::uint64_t>(file, header(namesIndex) + 0x18);
  const auto namesSize = readAt<std::uint64_t>(file, header(namesIndex) + 0x20);

  for (std::uint16_t i = 0; i < count; ++i) {
    const auto nameOffset = readAt<std::uint32_t>(file, header(i));
    if (nameOffset >= namesSize) continue;
    const std::uint64_t at = namesOffset + nameOffset;
    if (at >= file.size()) continue;
    const char* name = reinterpret_cast<const char*>(file.data() + at);
    const std::size_t room = file.size() - static_cast<std::size_t>(at);
    if (strnlen(name, room) != section.size() || section.compare(0, section.size(), name, section.size()) != 0) {
      continue;
    }
    const auto offset = readAt<std::uint64_t>(file, header(i) + 0x18);
    const auto size = readAt<std::uint64_t>(file, header(i) + 0x20);
    if (offset > file.size() || size > file.size() - offset) throw HostError("the ELF section is truncated");
    return {file.begin() + static_cast<std::ptrdiff_t>(offset),
            file.begin() + static_cast<std::ptrdiff_t>(offset + size)};
  }
  throw HostError("no section '" + section + "'");
}

std::vector<std::uint8_t> readDescriptorBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw HostError("cannot open the plug-in module '" + path + "'");
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    return readElfSection(file, ".pipl");
  } catch (const HostError& e) {
    throw HostError("'" + path + "' carries no plug-in descriptor (" + e.what() + ")");
  }
}

}  // namespace plenorium::host
