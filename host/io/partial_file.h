// Where an output is written before it is complete: a hidden name beside the target, unique to the
// process, so that two renders to one output never write into each other's file. The finished
// file is moved into place in one step.
#pragma once

#include <filesystem>

#include <unistd.h>

namespace plenorium::host {

// ".NAME.partial-PID.EXT" beside `target` (the extension kept, so that the libraries that choose
// a format by it still can).
inline std::filesystem::path partialPathFor(const std::filesystem::path& target) {
  return target.parent_path() / ("." + target.stem().string() + ".partial-" + std::to_string(::getpid()) +
                                 target.extension().string());
}

}  // namespace plenorium::host
