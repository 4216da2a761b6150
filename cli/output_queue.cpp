#include "output_queue.h"

#include <algorithm>

namespace plenorium::cli {

OutputQueue::OutputQueue(unsigned writers, std::size_t inFlight)
    : writers_(writers), inFlight_(std::max<std::size_t>(inFlight, 1)) {}

OutputQueue::~OutputQueue() {
  for (Pending& p : pending_) p.done.wait();
}

void OutputQueue::submit(host::OwnedWorld world, std::function<void(const host::World&)> write,
                         std::function<void()> written) {
  while (pending_.size() >= inFlight_) retireOldest();
  const host::World* pixels = world.get();
  std::future<void> done = writers_.run([pixels, write = std::move(write)] { write(*pixels); });
  pending_.push_back(Pending{std::move(done), std::move(world), std::move(written)});
  // Without writers the frame is written already.
  if (writers_.threads() == 0) retireOldest();
}

void OutputQueue::drain() {
  while (!pending_.empty()) retireOldest();
}

void OutputQueue::retireOldest() {
  Pending oldest = std::move(pending_.front());
  pending_.pop_front();
  oldest.done.get();
  oldest.world.reset();
  if (oldest.written) oldest.written();
}

}  // namespace plenorium::cli
