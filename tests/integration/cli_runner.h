// Running the `plenorium` command as users do, through a shell, and keeping what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace plenorium::testing {

struct CliResult {
  int status;  // as waitpid reports it
  std::string output;

  int exitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

// Runs `shellCommand` with `sh -c` and collects standard output and standard error together.
inline CliResult runShell(const std::string& shellCommand) {
  CliResult r{0, ""};
  FILE* pipe = popen(("(" + shellCommand + ") 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, "popen failed"};
  char buffer[512];
  while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) r.output += buffer;
  r.status = pclose(pipe);
  return r;
}

// `plenorium ARGUMENTS`.
inline CliResult runCli(const std::string& arguments) {
  return runShell(std::string(PLENORIUM_CLI_PATH) + " " + arguments);
}

}  // namespace plenorium::testing
