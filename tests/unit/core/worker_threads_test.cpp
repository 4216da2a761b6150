// Background threads: every task given runs, even when the threads are stopped right after; a
// task's error comes back through its future; and the threads run below their creator's priority,
// so that decoding ahead and writing do not hold up the frame being drawn.
#include "worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace plenorium::host {
namespace {

TEST(WorkerThreads, EveryTaskRunsAndErrorsComeBackThroughTheFuture) {
  std::atomic<int> ran{0};
  {
    WorkerThreads workers(2);
    for (int i = 0; i < 50; ++i) workers.run([&ran] { ++ran; });
    std::future<void> failing = workers.run([] { throw std::runtime_error("cannot decode"); });
    EXPECT_THROW(failing.get(), std::runtime_error);
  }  // stopping waits for the tasks already given
  EXPECT_EQ(ran.load(), 50);

  // Without threads a task runs at once, on the caller's thread.
  WorkerThreads serial(0);
  std::thread::id where;
  serial.run([&where] { where = std::this_thread::get_id(); });
  EXPECT_EQ(where, std::this_thread::get_id());
}

#if defined(__linux__)
TEST(WorkerThreads, TasksRunBelowThePriorityOfTheThreadThatDrawsFrames) {
  const int callerNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  if (callerNice >= 10) GTEST_SKIP() << "this test already runs at nice " << callerNice;
  WorkerThreads workers(1);
  int workerNice = callerNice;
  workers.run([&workerNice] { workerNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); }).get();
  EXPECT_GT(workerNice, callerNice);
  // The caller's own priority is left as it was.
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), callerNice);
}
#endif

}  // namespace
}  // namespace plenorium::host
