#include "pointer_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace plenorium::host {
namespace {

const void* address(std::uintptr_t v) {
  return reinterpret_cast<const void*>(v);
}

// Many adds and removes in a random order, checked against std::set after every step: removal
// moves later entries of a probe run back, which must keep every entry findable, including runs
// that wrap around the end of the table and entries that share a home slot.
TEST(PointerSet, AgreesWithAnOrderedSetThroughRandomAddsAndRemoves) {
  std::mt19937 random(7);
  // Addresses spaced like allocations of one size, plus a few that differ only in high bits.
  std::vector<const void*> pool;
  for (std::uintptr_t i = 1; i <= 300; ++i) pool.push_back(address(0x5000 + i * 48));
  for (std::uintptr_t i = 1; i <= 20; ++i) pool.push_back(address(0x5000 + (i << 40)));
  PointerSet set;
  std::set<const void*> expected;
  for (int step = 0; step < 20000; ++step) {
    const void* p = pool[random() % pool.size()];
    if (random() % 3 != 0) {
      EXPECT_EQ(set.insert(p), expected.insert(p).second);
    } else {
      EXPECT_EQ(set.erase(p), expected.erase(p) == 1);
    }
    ASSERT_EQ(set.size(), expected.size());
    if (step % 97 == 0) {
      for (const void* q : pool) ASSERT_EQ(set.contains(q), expected.count(q) == 1) << "step " << step;
    }
  }
  for (const void* q : pool) set.erase(q);
  EXPECT_EQ(set.size(), 0u);
  for (const void* q : pool) EXPECT_FALSE(set.contains(q));
}

TEST(PointerSet, NullAndUnknownAddressesAreNeverMembers) {
  PointerSet set;
  EXPECT_FALSE(set.contains(nullptr));
  EXPECT_FALSE(set.erase(address(64)));
  EXPECT_TRUE(set.insert(address(64)));
  EXPECT_FALSE(set.insert(address(64)));
  EXPECT_FALSE(set.contains(nullptr));
  EXPECT_FALSE(set.erase(nullptr));
  EXPECT_TRUE(set.erase(address(64)));
  EXPECT_FALSE(set.erase(address(64)));
}

}  // namespace
}  // namespace plenorium::host
