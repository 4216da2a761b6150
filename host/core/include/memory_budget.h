// One limit on the memory all of the host's caches keep together: decoded footage, item pictures,
// resampled rows and worlds kept for reuse. When the total passes the limit, the least recently
// used entries go first, whichever cache holds them. Used from one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace plenorium::host {

class MemoryBudget {
 public:
  // What the budget asks of each cache.
  class Cache {
   public:
    virtual ~Cache() = default;
    // The use stamp of the entry that would go first, when there is one.
    virtual std::optional<std::uint64_t> oldestUse() const = 0;
    // Removes that entry, refunding its bytes.
    virtual void dropOldest() = 0;
  };

  static constexpr std::size_t DEFAULT_BYTES = std::size_t{256} << 20;

  explicit MemoryBudget(std::size_t limitBytes = DEFAULT_BYTES) : limit_(limitBytes) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  std::size_t limit() const { return limit_; }
  void setLimit(std::size_t limitBytes);
  std::size_t used() const { return used_; }
  // The most the caches held together after any change had been settled.
  std::size_t peak() const { return peak_; }

  void join(Cache& cache) { caches_.push_back(&cache); }
  void leave(Cache& cache);
  // A new use stamp: later uses have larger stamps.
  std::uint64_t stamp() { return ++clock_; }
  void charge(std::size_t bytes) { used_ += bytes; }
  void refund(std::size_t bytes) { used_ -= bytes; }
  // Drops least recently used entries until the total is within the limit. An entry used since
  // the last stamp stays (it is being handed out), so one entry larger than the limit is kept alone.
  void settle();

 private:
  std::size_t limit_;
  std::size_t used_ = 0;
  std::size_t peak_ = 0;
  std::uint64_t clock_ = 0;
  std::vector<Cache*> caches_;
};

}  // namespace plenorium::host
