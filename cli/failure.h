// The one place where a command's failure becomes a message on standard error and an exit status:
// 1 for every failure (a bad project, a missing file, an effect error, no memory).
#pragma once

#include <functional>
#include <string>

namespace plenorium::cli {

// Runs `command` and returns its exit status; a failure is printed as one line, "plenorium: ...",
// naming `subject` (the project or clips) where the failure itself names nothing, and gives 1.
int runReportingFailures(const std::function<int()>& command, const std::function<std::string()>& subject);

}  // namespace plenorium::cli
