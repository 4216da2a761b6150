#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "host_core.h"
#include "host_error.h"
#include "module_file.h"
#include "pixel_host.h"
#include "plugin_descriptor.h"
#include "trace_writer.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;

TEST(BlockStore, HandlesKeepTheirAddressAreCountedAndMayFailToLock) {
  Accounting accounting;
  BlockStore store(accounting, "handle");
  void** h = store.allocate(16);
  void* address = *h;
  void* locked = store.lock(h);
  EXPECT_EQ(locked, address);
  EXPECT_TRUE(store.unlock(h));
  EXPECT_EQ(*h, address);
  EXPECT_EQ(store.size(h), 16u);
  EXPECT_EQ(accounting.imbalanceReport().size(), 1u);

  store.failLocks(true);
  EXPECT_EQ(store.lock(h), nullptr);
  store.failLocks(false);

  EXPECT_TRUE(store.dispose(h));
  EXPECT_FALSE(store.dispose(h)) << "a second dispose must be refused, not crash";
  EXPECT_TRUE(accounting.imbalanceReport().empty());
}

TEST(BlockStore, ResizeKeepsTheContentsAndIsRefusedWhileLocked) {
  Accounting accounting;
  BlockStore store(accounting, "handle");
  void** h = store.allocate(4);
  static_cast<unsigned char*>(*h)[3] = 7;
  store.lock(h);
  EXPECT_FALSE(store.resize(h, 64));
  store.unlock(h);
  ASSERT_TRUE(store.resize(h, 64));
  EXPECT_EQ(static_cast<unsigned char*>(*h)[3], 7);
  EXPECT_EQ(store.size(h), 64u);
  store.dispose(h);
}

TEST(Accounting, ReportsOnlyWhatIsOutstanding) {
  Accounting a;
  a.take("world");
  a.take("world");
  a.give("world");
  a.take("checkout");
  a.give("checkout");
  const auto report = a.imbalanceReport();
  ASSERT_EQ(report.size(), 1u);
  EXPECT_EQ(report[0], "world: 2 taken, 1 given back");
}

TEST(TraceWriter, WritesOneJsonObjectPerCallWithCommandCallArgumentsAndResult) {
  const fs::path path = fs::temp_directory_path() / "plenorium_trace_test.jsonl";
  {
    HostCore core;
    core.setTrace(TraceWriter(path.string()));
    CallScope scope(core, 24);
    const void* suite = nullptr;
    core.basicSuite()->AcquireSuite("PF Handle Suite", 2, &suite);
    core.basicSuite()->ReleaseSuite("PF Handle Suite", 2);
  }
  std::ifstream in(path);
  std::string first, second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(first, R"({"cmd":24,"call":"AcquireSuite","suite":"PF Handle Suite","version":2,"result":0})");
  EXPECT_EQ(second, R"({"cmd":24,"call":"ReleaseSuite","suite":"PF Handle Suite","version":2,"result":0})");
  fs::remove(path);
}

TEST(TraceWriter, AnUnwritableFileIsAClearError) {
  EXPECT_THROW(TraceWriter("/nonexistent-folder/trace.jsonl"), HostError);
}

TEST(SuiteRegistry, AnUnknownPairIsRefusedAndNotCounted) {
  HostCore core;
  CallScope scope(core, 0);
  const void* suite = &core;
  EXPECT_NE(core.basicSuite()->AcquireSuite("No Such Suite", 1, &suite), kSPNoError);
  EXPECT_EQ(suite, nullptr);
  EXPECT_TRUE(core.accounting().imbalanceReport().empty());
}

TEST(CoreCallbacks, OutsideAPlugInCallTheCallbacksFailSafely) {
  HostCore core;
  PixelHost pixels(core, 1);
  const void* suite = nullptr;
  EXPECT_NE(core.basicSuite()->AcquireSuite("PF Handle Suite", 2, &suite), kSPNoError);
  EXPECT_EQ(core.utils()->host_new_handle(8), nullptr);
}

TEST(CoreCallbacks, PlatformDataGivesTheModulePathAndRefusesAPathThatWouldNotFit) {
  HostCore core;
  PixelHost pixels(core, 1);
  int effect = 0;
  const auto ref = reinterpret_cast<PF_ProgPtr>(&effect);
  CallScope scope(core, 1, ref);
  char buffer[AEFX_MAX_PATH];
  core.setPluginPath("/opt/fx/Plenorium.aex");
  ASSERT_EQ(core.utils()->get_platform_data(ref, PF_PlatData_EXE_FILE_PATH, buffer), PF_Err_NONE);
  EXPECT_STREQ(buffer, "/opt/fx/Plenorium.aex");
  core.setPluginPath("/" + std::string(AEFX_MAX_PATH, 'x'));
  EXPECT_NE(core.utils()->get_platform_data(ref, PF_PlatData_EXE_FILE_PATH, buffer), PF_Err_NONE);
}

TEST(ModuleFile, FindsASectionOfAnElfFileAndRejectsOtherFiles) {
  std::ifstream in("/proc/self/exe", std::ios::binary);
  const std::vector<std::uint8_t> self((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(readElfSection(self, ".text").empty());
  EXPECT_THROW(readElfSection(self, ".no-such-section"), HostError);
  EXPECT_THROW(readElfSection(std::vector<std::uint8_t>(100, 0), ".pipl"), HostError);
  std::vector<std::uint8_t> truncated(self.begin(), self.begin() + 80);
  EXPECT_THROW(readElfSection(truncated, ".text"), HostError);
}

TEST(PiplParser, RejectsTruncatedListsAndNonEffects) {
  EXPECT_THROW(parsePipl({1, 0}), HostError);
  // Version 1, one property whose length runs past the end.
  std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  for (int i = 0; i < 12; ++i) bytes.push_back(0);
  bytes.insert(bytes.end(), {100, 0, 0, 0});
  EXPECT_THROW(parsePipl(bytes), HostError);
  EXPECT_THROW(requireEffectDescriptor(PluginDescriptor{}, "x.aex"), HostError);
}

}  // namespace
}  // namespace plenorium::host

namespace plenorium::host {
namespace {

TEST(SuiteRegistry, ATableWithAnEmptySlotIsRefusedAndTheUtilityCallbacksHaveNone) {
  HostCore core;
  struct TwoSlots {
    void (*first)();
    void (*second)();
  };
  static const TwoSlots missing{+[] {}, nullptr};
  EXPECT_THROW(core.suites().provide("Half Suite", 1, &missing), HostError);
  EXPECT_FALSE(core.suites().provides("Half Suite", 1));

  PixelHost pixels(core, 1);
  const PF_UtilCallbacks& utils = *core.utils();
  // Every member but the deprecated data pointer and the reserved words is a function to call.
  const auto* words = reinterpret_cast<const unsigned char*>(&utils);
  for (std::size_t at = 0; at + sizeof(void*) <= offsetof(PF_UtilCallbacks, reserved); at += sizeof(void*)) {
    if (at == offsetof(PF_UtilCallbacks, get_batch_func_is_deprecated)) continue;
    if (at == offsetof(PF_UtilCallbacks, ansi) + offsetof(PF_ANSICallbacks, ansi_procs)) continue;
    const void* slot = nullptr;
    std::memcpy(&slot, words + at, sizeof(slot));
    EXPECT_NE(slot, nullptr) << "utility callback at byte " << at;
  }
}

TEST(CBoundary, AnAbsentSlotAnswersWithAnErrorAndAForeignHandleIsRefused) {
  HostCore core;
  PixelHost pixels(core, 1);
  CallScope scope(core, PF_Cmd_SMART_RENDER);
  const void* suite = nullptr;
  ASSERT_EQ(core.basicSuite()->AcquireSuite(kAEGPWorldSuite, 3, &suite), kSPNoError);
  const auto* worlds = static_cast<const AEGP_WorldSuite3*>(suite);
  EXPECT_EQ(worlds->AEGP_FastBlur(2.0, PF_MF_Alpha_STRAIGHT, PF_Quality_HI, nullptr), A_Err_GENERIC);
  int notAWorld = 0;
  A_long width = 0, height = 0;
  EXPECT_EQ(worlds->AEGP_GetSize(reinterpret_cast<AEGP_WorldH>(&notAWorld), &width, &height), A_Err_PARAMETER);
  PF_EffectWorld view{};
  EXPECT_EQ(core.utils()->new_world(nullptr, 4, 4, 0, &view), PF_Err_BAD_CALLBACK_PARAM)
      << "an effect_ref other than the command's is refused";
  core.basicSuite()->ReleaseSuite(kAEGPWorldSuite, 3);
}

}  // namespace
}  // namespace plenorium::host
