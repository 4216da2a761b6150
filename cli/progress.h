// Render progress on standard error: a bar with frames done, frames per second and time left on
// a terminal; one plain line per frame otherwise; nothing when quiet.
#pragma once

#include <chrono>
#include <string>

namespace plenorium::cli {

class Progress {
 public:
  Progress(long total, bool quiet);
  void frameDone(const std::string& name);
  // Ends the bar's line.
  void finish();

 private:
  long total_;
  long done_ = 0;
  bool quiet_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace plenorium::cli
