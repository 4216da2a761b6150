// `plenorium farm slurm`: a render split into chunks of frames, one Slurm array task per chunk,
// and a join job that runs once every chunk is done.
#pragma once

#include <string>

#include "render_command.h"

namespace plenorium::cli {

struct FarmOptions {
  long chunk = 50;        // frames per task
  std::string partition;  // empty: the cluster's default
  int maxParallel = 0;    // tasks running at once; 0: as many as the cluster gives
  bool dryRun = false;    // print the scripts instead of submitting them
};

// Returns the process exit status. Throws HostError (and filesystem errors), which the command
// reports in one line.
int runFarmSlurm(const FarmOptions& farm, RenderOptions render);

}  // namespace plenorium::cli
