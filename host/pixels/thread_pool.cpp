#include "thread_pool.h"

#include <algorithm>

namespace plenorium::host {

ThreadPool::ThreadPool(unsigned threads) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  for (unsigned i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

ThreadPool::~ThreadPool() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void ThreadPool::parallelRows(int begin, int end, int minRows, const std::function<void(int, int)>& fn) {
  if (end <= begin) return;
  const int rows = end - begin;
  const int bands = std::max(1, std::min<int>(static_cast<int>(threads()) * 4, rows / std::max(1, minRows)));
  if (bands == 1 || workers_.empty()) {
    fn(begin, end);
    return;
  }
  std::unique_lock lock(mutex_);
  job_ = &fn;
  next_ = begin;
  end_ = end;
  band_ = (rows + bands - 1) / bands;
  ++jobId_;
  wake_.notify_all();
  // The calling thread takes bands too.
  while (next_ < end_) {
    const int from = next_;
    const int to = std::min(end_, from + band_);
    next_ = to;
    ++active_;
    lock.unlock();
    fn(from, to);
    lock.lock();
    --active_;
  }
  done_.wait(lock, [this] { return active_ == 0; });
  job_ = nullptr;
}

void ThreadPool::work() {
  unsigned long seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || (job_ != nullptr && jobId_ != seen && next_ < end_); });
    if (stop_) return;
    seen = jobId_;
    while (job_ != nullptr && next_ < end_) {
      const int from = next_;
      const int to = std::min(end_, from + band_);
      next_ = to;
      ++active_;
      const auto* job = job_;
      lock.unlock();
      (*job)(from, to);
      lock.lock();
      --active_;
    }
    if (active_ == 0) done_.notify_all();
  }
}

}  // namespace plenorium::host
