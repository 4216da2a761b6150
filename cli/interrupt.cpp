#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace plenorium::cli {
namespace {

// A signal handler can reach only static storage; this flag is the one such piece of state.
std::atomic<bool> stopRequested{false};
using Handler = void (*)(int);
Handler previous = SIG_DFL;

extern "C" void onInterrupt(int) { stopRequested.store(true); }

}  // namespace

InterruptGuard::InterruptGuard() {
  stopRequested.store(false);
  previous = std::signal(SIGINT, &onInterrupt);
}

InterruptGuard::~InterruptGuard() { std::signal(SIGINT, previous); }

bool InterruptGuard::requested() { return stopRequested.load(); }

}  // namespace plenorium::cli
