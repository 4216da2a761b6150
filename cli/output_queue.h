// Finished frames written on worker threads while the next frames render: several pictures at
// once, or a video's frames in order on one thread. Each frame's world stays the caller's and is
// disposed on the caller's thread once written, as the pixel host requires.
#pragma once

#include <deque>
#include <functional>
#include <future>

#include "pixel_host.h"
#include "worker_threads.h"

namespace plenorium::cli {

class OutputQueue {
 public:
  // `writers` threads (0: each frame is written at once on the caller's thread); at most
  // `inFlight` frames wait or are being written before submit waits for the oldest.
  OutputQueue(unsigned writers, std::size_t inFlight);
  // Waits for the frames still being written; their errors are dropped (the caller is already
  // leaving, by an error of its own or an interrupt).
  ~OutputQueue();
  OutputQueue(const OutputQueue&) = delete;
  OutputQueue& operator=(const OutputQueue&) = delete;

  // Writes `world` through `write` on a writer; `written` runs on the caller's thread afterwards.
  // Frames given to one writer are written in the order given. Rethrows an earlier frame's error.
  void submit(host::OwnedWorld world, std::function<void(const host::World&)> write, std::function<void()> written);
  // Waits for every frame given; rethrows the first error.
  void drain();

 private:
  struct Pending {
    std::future<void> done;
    host::OwnedWorld world;
    std::function<void()> written;
  };
  void retireOldest();

  host::WorkerThreads writers_;
  std::size_t inFlight_;
  std::deque<Pending> pending_;
};

}  // namespace plenorium::cli
