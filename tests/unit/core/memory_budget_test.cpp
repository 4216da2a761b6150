// One memory budget shared by several caches: the least recently used entry goes first whichever
// cache holds it, values that grow are measured again, and an entry being handed out stays.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bounded_cache.h"

namespace plenorium::host {
namespace {

using Sized = std::shared_ptr<std::size_t>;  // a value whose size can change while kept
std::size_t sizeOf(const Sized& v) {
  return *v;
}
Sized sized(std::size_t bytes) {
  return std::make_shared<std::size_t>(bytes);
}

TEST(MemoryBudget, TheLeastRecentlyUsedEntryOfAnyCacheGoesFirst) {
  MemoryBudget budget(100);
  BoundedCache<std::string, Sized> pictures(budget, sizeOf);
  BoundedCache<int, Sized> rows(budget, sizeOf);
  pictures.put("a", sized(40));
  rows.put(1, sized(30));
  pictures.put("b", sized(20));
  ASSERT_NE(pictures.find("a"), nullptr);  // "a" is now the most recent; row 1 the oldest
  rows.put(2, sized(30));                  // 120 bytes: row 1 goes, not "a"
  EXPECT_EQ(rows.find(1), nullptr);
  EXPECT_NE(pictures.find("a"), nullptr);
  EXPECT_NE(pictures.find("b"), nullptr);
  EXPECT_EQ(budget.used(), 90u);
  EXPECT_LE(budget.peak(), budget.limit());

  // A value that grew while kept is counted when measured again.
  *(*pictures.find("b")) = 60;
  pictures.remeasure();
  EXPECT_LE(budget.used(), 100u);
  EXPECT_EQ(rows.find(2), nullptr) << "the oldest entry made room for the growth";

  // Taking a value out refunds it; a smaller limit settles at once, but the entry handed out
  // last ("b", found above) stays until something newer is used.
  ASSERT_TRUE(pictures.take("a"));
  EXPECT_EQ(budget.used(), 60u);
  budget.setLimit(50);
  EXPECT_EQ(budget.used(), 60u);
  rows.put(3, sized(5));
  EXPECT_EQ(budget.used(), 5u);
  EXPECT_EQ(pictures.size(), 0u);
}

TEST(MemoryBudget, AnEntryLargerThanTheLimitIsKeptAloneAndCachesLeaveCleanly) {
  MemoryBudget budget(100);
  {
    BoundedCache<int, Sized> cache(budget, sizeOf);
    cache.put(1, sized(10));
    cache.put(2, sized(500));
    EXPECT_NE(cache.find(2), nullptr) << "the entry just put is being handed out";
    EXPECT_EQ(cache.find(1), nullptr);
    EXPECT_EQ(cache.size(), 1u);
    cache.put(3, sized(10));
    EXPECT_EQ(cache.find(2), nullptr) << "once something newer comes, the oversized entry goes";
    EXPECT_EQ(budget.used(), 10u);
    EXPECT_EQ(cache.takeFirst([](const Sized& v) { return *v == 10; }).value_or(nullptr) != nullptr, true);
  }
  EXPECT_EQ(budget.used(), 0u) << "a cache that goes gives back what it held";
  BoundedCache<int, Sized> later(budget, sizeOf);
  later.put(1, sized(80));
  later.put(2, sized(80));
  EXPECT_EQ(later.size(), 1u) << "the budget no longer asks the cache that left";
}

}  // namespace
}  // namespace plenorium::host
