// Where the running program and the files installed with it are: the effect module beside the
// command in the build tree, or in ../lib/plenorium/ when installed.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace plenorium::host {

// The running program's own file; empty, with the reason in `ec`, when the system cannot say.
std::filesystem::path programPath(std::error_code& ec);

// A file installed with the program: beside it, then in ../lib/plenorium/; the first of those
// that exists, otherwise the one beside the program.
std::filesystem::path installedFile(const std::string& name);

}  // namespace plenorium::host
