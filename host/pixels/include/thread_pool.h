// A fixed set of worker threads for row-band loops. Each band is computed from data that does not
// change during the loop, so results do not depend on the number of threads.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace plenorium::host {

class ThreadPool {
 public:
  // 0 threads: as many as the machine has.
  explicit ThreadPool(unsigned threads = 0);
  ~ThreadPool();
  ThreadPool(const ThreadPool&) = delete;
  ThreadPool& operator=(const ThreadPool&) = delete;

  unsigned threads() const { return static_cast<unsigned>(workers_.size()) + 1; }

  // The least work worth handing to another thread, in pixels: a band of fewer takes less time
  // to compute (a few microseconds) than waking a worker for it and waiting for it to finish.
  static constexpr int MIN_BAND_PIXELS = 16384;
  // The fewest rows of `rowPixels` pixels that make a band worth a thread.
  static int minRowsFor(long rowPixels) {
    return rowPixels <= 0 ? MIN_BAND_PIXELS : static_cast<int>((MIN_BAND_PIXELS + rowPixels - 1) / rowPixels);
  }

  // Calls fn(rowBegin, rowEnd) over [begin, end) in bands of at least `minRows` rows, on the
  // workers and the calling thread, and returns when all are done.
  void parallelRows(int begin, int end, int minRows, const std::function<void(int, int)>& fn);

 private:
  void work();

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void(int, int)>* job_ = nullptr;
  int next_ = 0;
  int end_ = 0;
  int band_ = 1;
  int active_ = 0;
  unsigned long jobId_ = 0;
  bool stop_ = false;
};

}  // namespace plenorium::host
