#include "interrupt.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace plenorium::cli {
namespace {

// A signal handler can reach only static storage: the flag, and the handlers to put back after.
std::atomic<bool> stopRequested{false};
using Handler = void (*)(int);
// Ctrl-C, and the signals schedulers and `timeout` send to stop a job.
constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
Handler previous[std::size(STOP_SIGNALS)] = {};

extern "C" void onInterrupt(int) {
  stopRequested.store(true);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  stopRequested.store(false);
  for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i) previous[i] = std::signal(STOP_SIGNALS[i], &onInterrupt);
}

InterruptGuard::~InterruptGuard() {
  for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i) std::signal(STOP_SIGNALS[i], previous[i]);
}

bool InterruptGuard::requested() {
  return stopRequested.load();
}

}  // namespace plenorium::cli
