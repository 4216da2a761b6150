// `plenorium check` and `plenorium comps`: what a project holds, without rendering it.
#pragma once

#include <string>

namespace plenorium::cli {

// Loads the project, probes every footage file, and prints its footage, compositions, layers, each
// effect's sources and every value that was changed as it was read. Returns 1 on any error.
int runCheck(const std::string& modulePath, const std::string& project);

// Prints each composition with its size, rate and duration. Returns 1 on any error.
int runComps(const std::string& modulePath, const std::string& project);

// The effect's controls (those whose path holds `word`, in any case, when one is given), each with
// the name and an example value `--set` takes; controls the effect hides at its defaults only with
// `all`. Throws HostError when no control matches.
int runParams(const std::string& modulePath, const std::string& word, bool all);

}  // namespace plenorium::cli
