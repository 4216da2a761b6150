#include "memory_budget.h"

#include <algorithm>

namespace plenorium::host {

void MemoryBudget::setLimit(std::size_t limitBytes) {
  limit_ = limitBytes;
  settle();
}

void MemoryBudget::leave(Cache& cache) {
  caches_.erase(std::remove(caches_.begin(), caches_.end(), &cache), caches_.end());
}

void MemoryBudget::settle() {
  while (used_ > limit_) {
    Cache* oldest = nullptr;
    std::uint64_t oldestStamp = clock_;
    for (Cache* cache : caches_) {
      const std::optional<std::uint64_t> use = cache->oldestUse();
      if (use && *use < oldestStamp) {
        oldestStamp = *use;
        oldest = cache;
      }
    }
    if (oldest == nullptr) break;
    oldest->dropOldest();
  }
  peak_ = std::max(peak_, used_);
}

}  // namespace plenorium::host
