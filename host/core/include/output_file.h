// Outputs appear whole or not at all. Each is written under a hidden name beside the target, unique
// to the process so that two renders to one output never write into each other's file, and the
// finished file is moved into place in one step.
#pragma once

#include <filesystem>
#include <span>
#include <string>

namespace plenorium::host {

// ".NAME.partial-PID.EXT" beside `target` (the extension kept, so that the libraries that choose
// a format by it still can).
std::filesystem::path partialPathFor(const std::filesystem::path& target);

// The file that writing `path` replaces: a symlink's target (so the link stays a link), or `path`
// itself. Throws HostError when that is something other than a regular file (a folder, a device).
std::filesystem::path replaceableTarget(const std::string& path);

// Writes `bytes` to `path` whole: through a partial file, with every write, flush and close
// checked, moved into place at the end. On failure nothing is left and the HostError names the
// file and the cause ("No space left on device").
void writeWholeFile(const std::string& path, std::span<const unsigned char> bytes);

}  // namespace plenorium::host
