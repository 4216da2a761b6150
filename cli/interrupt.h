// Ctrl-C, SIGTERM or SIGHUP during a render: the first one asks the render to stop after the current
// frame, so that nothing is left half written.
#pragma once

namespace plenorium::cli {

// Installs the handler for its lifetime and restores the previous one after.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  static bool requested();
};

}  // namespace plenorium::cli
