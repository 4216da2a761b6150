#include <gtest/gtest.h>

#include "pixel_host.h"
#include "pixel_test_support.h"

namespace plenorium::host {
namespace {

class PixelSuites : public ::testing::Test {
 protected:
  template <typename Suite>
  const Suite* acquire(const char* name, int version) {
    const void* suite = nullptr;
    EXPECT_EQ(core.basicSuite()->AcquireSuite(name, version, &suite), kSPNoError);
    acquired.emplace_back(name, version);
    return static_cast<const Suite*>(suite);
  }
  void TearDown() override {
    for (const auto& [name, version] : acquired) core.basicSuite()->ReleaseSuite(name, version);
  }

  HostCore core;
  PixelHost pixels{core, 2};
  int effect = 0;  // what the command's effect_ref stands for
  PF_ProgPtr ref = reinterpret_cast<PF_ProgPtr>(&effect);
  CallScope scope{core, PF_Cmd_SMART_RENDER, ref};
  std::vector<std::pair<const char*, int>> acquired;
};

TEST_F(PixelSuites, WorldsAreMadeViewedFilledAndDisposedThroughTheSuitesAndCounted) {
  const auto* worlds = acquire<AEGP_WorldSuite3>(kAEGPWorldSuite, 3);
  const auto* pf = acquire<PF_WorldSuite2>(kPFWorldSuite, 2);
  AEGP_WorldH handle = nullptr;
  ASSERT_EQ(worlds->AEGP_New(0, AEGP_WorldType_16, 8, 4, &handle), A_Err_NONE);
  EXPECT_EQ(pixels.liveWorlds(), 1u);

  PF_EffectWorld view{};
  ASSERT_EQ(worlds->AEGP_FillOutPFEffectWorld(handle, &view), A_Err_NONE);
  EXPECT_EQ(view.width, 8);
  EXPECT_EQ(view.height, 4);
  PF_PixelFormat format = 0;
  ASSERT_EQ(pf->PF_GetPixelFormat(&view, &format), PF_Err_NONE);
  EXPECT_EQ(format, PF_PixelFormat_ARGB64);

  const PF_Pixel16 white{32768, 32768, 32768, 32768};
  const PF_Rect rect{2, 1, 4, 3};
  ASSERT_EQ(core.utils()->fill16(ref, &white, &rect, &view), PF_Err_NONE);
  PF_Pixel16* base = nullptr;
  ASSERT_EQ(worlds->AEGP_GetBaseAddr16(handle, &base), A_Err_NONE);
  A_u_long rowBytes = 0;
  worlds->AEGP_GetRowBytes(handle, &rowBytes);
  const auto* row1 = reinterpret_cast<const PF_Pixel16*>(reinterpret_cast<const char*>(base) + rowBytes);
  EXPECT_EQ(row1[2].red, 32768);
  EXPECT_EQ(row1[1].alpha, 0);
  PF_Pixel8* wrongDepth = nullptr;
  EXPECT_NE(worlds->AEGP_GetBaseAddr8(handle, &wrongDepth), A_Err_NONE);

  EXPECT_EQ(worlds->AEGP_Dispose(handle), A_Err_NONE);
  EXPECT_NE(worlds->AEGP_Dispose(handle), A_Err_NONE) << "a second disposal is refused";
  EXPECT_EQ(pixels.liveWorlds(), 0u);
  EXPECT_EQ(core.accounting().balance("world").outstanding(), 0);
}

TEST_F(PixelSuites, AWorldMadeAgainAfterADisposalIsTransparentAndNew) {
  // Disposed worlds are kept for reuse: whatever the last owner drew must not show through.
  const auto* worlds = acquire<AEGP_WorldSuite3>(kAEGPWorldSuite, 3);
  for (int round = 0; round < 2; ++round) {
    AEGP_WorldH first = nullptr;
    ASSERT_EQ(worlds->AEGP_New(0, AEGP_WorldType_8, 64, 48, &first), A_Err_NONE);
    const std::uint64_t firstSerial = pixels.find(first)->serial();
    PF_Pixel8* base = nullptr;
    ASSERT_EQ(worlds->AEGP_GetBaseAddr8(first, &base), A_Err_NONE);
    A_u_long rowBytes = 0;
    worlds->AEGP_GetRowBytes(first, &rowBytes);
    // Written directly through the address, which the host cannot watch.
    auto* last = reinterpret_cast<PF_Pixel8*>(reinterpret_cast<char*>(base) + rowBytes * 47);
    base[0] = last[63] = PF_Pixel8{255, 200, 100, 50};
    ASSERT_EQ(worlds->AEGP_Dispose(first), A_Err_NONE);

    AEGP_WorldH again = nullptr;
    ASSERT_EQ(worlds->AEGP_New(0, AEGP_WorldType_8, 64, 48, &again), A_Err_NONE);
    const World& world = *pixels.find(again);
    EXPECT_NE(world.serial(), firstSerial);
    for (A_long y = 0; y < 48; ++y) {
      for (A_long x = 0; x < 64; ++x) ASSERT_EQ(test::pixelAt(world, x, y).a, 0.0f) << x << "," << y;
    }
    ASSERT_EQ(worlds->AEGP_Dispose(again), A_Err_NONE);
  }
  EXPECT_EQ(core.accounting().balance("world").outstanding(), 0);
}

TEST_F(PixelSuites, OperationsOnWorldsTheHostDoesNotKnowFailCleanly) {
  const auto* transform = acquire<PF_WorldTransformSuite1>(kPFWorldTransformSuite, 1);
  PF_EffectWorld bogus{};
  PF_EffectWorld dst{};
  const auto* pf = acquire<PF_WorldSuite2>(kPFWorldSuite, 2);
  ASSERT_EQ(pf->PF_NewWorld(ref, 4, 4, 1, PF_PixelFormat_ARGB128, &dst), PF_Err_NONE);
  const PF_FloatMatrix m = test::translation(0, 0);
  const PF_CompositeMode mode{PF_Xfer_IN_FRONT, 1, 255, 0, 0};
  EXPECT_EQ(transform->transform_world(ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, &bogus, &mode, nullptr,
                                       &m, 1, true, nullptr, &dst),
            PF_Err_BAD_CALLBACK_PARAM);
  PF_MaskWorld badMask{};
  EXPECT_EQ(transform->transfer_rect(ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, &dst, &mode,
                                     &badMask, 0, 0, &dst),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(pf->PF_DisposeWorld(ref, &dst), PF_Err_NONE);
  EXPECT_TRUE(core.accounting().imbalanceReport().size() <= 3u);  // only the suites of this test are out
  EXPECT_EQ(core.accounting().balance("world").outstanding(), 0);
}

}  // namespace
}  // namespace plenorium::host
