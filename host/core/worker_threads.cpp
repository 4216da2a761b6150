#include "worker_threads.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace plenorium::host {
namespace {

// Background work has slack (a frame decoded ahead is needed a whole frame later; a finished
// frame waits in a queue), while the frame being drawn holds up everything else. So these threads
// yield to the render's: on a machine with few cores, the render's row bands then no longer sit
// in the run queue behind a decoder while the caller waits for them.
void lowerThisThreadsPriority() {
#if defined(__linux__)
  constexpr int BACKGROUND_NICE = 10;
  // Linux keeps a nice value per thread, and a thread may always lower its own priority.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), BACKGROUND_NICE);
#elif defined(_WIN32)
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#endif
}

}  // namespace

unsigned usableThreads(unsigned threads) {
  if (threads == 0) threads = std::thread::hardware_concurrency();
  return threads == 0 ? 1 : threads;
}

WorkerThreads::WorkerThreads(unsigned threads) {
  threads_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

WorkerThreads::~WorkerThreads() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

std::future<void> WorkerThreads::run(std::function<void()> task) {
  std::packaged_task<void()> packaged(std::move(task));
  std::future<void> result = packaged.get_future();
  if (threads_.empty()) {
    packaged();
    return result;
  }
  {
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(packaged));
  }
  wake_.notify_one();
  return result;
}

void WorkerThreads::work() {
  lowerThisThreadsPriority();
  for (;;) {
    std::packaged_task<void()> task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || !tasks_.empty(); });
      // Tasks given before the stop still run: their futures are waited for.
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

}  // namespace plenorium::host
