#include "worker_threads.h"

namespace plenorium::host {

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
