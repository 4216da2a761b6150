// Threads that run whole tasks in the background: decoding footage ahead of the render, encoding
// and writing finished frames. A task's result, or the error it threw, comes back through its
// future. With no threads, a task runs at once on the caller's thread: the serial path. The
// threads run below the priority of the threads that create them, which draw the frames.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace plenorium::host {

class WorkerThreads {
 public:
  explicit WorkerThreads(unsigned threads);
  // Waits for the tasks already given, then stops the threads.
  ~WorkerThreads();
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  unsigned threads() const { return static_cast<unsigned>(threads_.size()); }
  std::future<void> run(std::function<void()> task);

 private:
  void work();

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<void()>> tasks_;
  bool stop_ = false;
};

// How many threads `threads` asks for: 0 means one per core; the answer is at least one.
unsigned usableThreads(unsigned threads);

}  // namespace plenorium::host
