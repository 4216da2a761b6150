#include "item_cache.h"

#include <gtest/gtest.h>

#include "host_core.h"
#include "thread_pool.h"

namespace plenorium::host {
namespace {

// A picture is kept from its second request on. A note of one asked for once counts as a little
// memory and goes when the picture is kept; the notes of a long render stay counted as they are
// while a kept picture that grew (a reduced copy made of it) is charged anew on remeasuring.
TEST(ItemCache, PicturesAreKeptFromTheirSecondRequestAndWhatTheyGrowByIsCharged) {
  HostCore core;
  PixelHost pixels(core, 1);
  MemoryBudget budget;
  ItemCache cache(budget);
  auto picture = [&] { return share(OwnedWorld(pixels, pixels.create(PixelDepth::U8, 64, 64))); };
  const ItemCache::Key still{1, 0, 1, PixelDepth::U8};
  cache.offer(still, picture());
  EXPECT_EQ(cache.find(still), nullptr) << "asked for once, only noted";
  const std::size_t note = budget.used();
  EXPECT_GT(note, 0u);
  const SharedWorld kept = picture();
  cache.offer(still, kept);
  ASSERT_NE(cache.find(still), nullptr);
  EXPECT_EQ(cache.find(still)->get(), kept.get());
  EXPECT_EQ(budget.used(), (*kept)->heldBytes()) << "the note goes when the picture is kept";
  for (long frame = 0; frame < 1000; ++frame) cache.offer({2, frame, 1, PixelDepth::U8}, picture());
  EXPECT_EQ(budget.used(), (*kept)->heldBytes() + 1000 * note);
  ThreadPool pool(1);
  const std::size_t before = (*kept)->heldBytes();
  (*kept)->reducedCopy(16, 16, pool);
  ASSERT_GT((*kept)->heldBytes(), before);
  cache.remeasure();
  EXPECT_EQ(budget.used(), (*kept)->heldBytes() + 1000 * note);
}

}  // namespace
}  // namespace plenorium::host
