// The built-in frame pictures as global set-up loads them, through the real module and host.
#include "frame_library.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "effect_driver.h"
#include "pixel_host.h"
#include "pixel_types.h"

namespace plenorium::test {
namespace {

namespace fs = std::filesystem;

struct GlobalRecord {
  AEGP_PluginID pluginId;
  char pluginPath[AEFX_MAX_PATH];
  AEGP_WorldH frames[9][3];
};

// The module and its Resources copied into a folder of their own, less `missing`.
fs::path installedCopy(const std::string& missing) {
  const fs::path module(PLENORIUM_MODULE_PATH);
  const fs::path dir = fs::temp_directory_path() / ("plenorium_frames_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "Resources");
  fs::copy_file(module, dir / "Renamed.aex");
  for (const auto& entry : fs::directory_iterator(module.parent_path() / "Resources")) {
    if (entry.path().filename() != missing) fs::copy_file(entry.path(), dir / "Resources" / entry.path().filename());
  }
  return dir;
}

class FrameLibrary : public ::testing::Test {
 protected:
  const GlobalRecord& record() { return *static_cast<const GlobalRecord*>(*driver->inData().global_data); }
  void load(const fs::path& path) {
    module = std::make_unique<host::PluginModule>(path.string());
    driver = std::make_unique<host::EffectDriver>(core, *this->module);
    driver->globalSetup();
  }
  void TearDown() override {
    driver.reset();
    if (!copy.empty()) fs::remove_all(copy);
  }

  host::HostCore core;
  host::PixelHost pixels{core, 2};
  std::unique_ptr<host::PluginModule> module;
  std::unique_ptr<host::EffectDriver> driver;
  fs::path copy;
};

TEST_F(FrameLibrary, AllNineLoadAtTheirOwnSizeAtThreeDepthsAndSetDownDisposesThem) {
  load(PLENORIUM_MODULE_PATH);
  EXPECT_EQ(pixels.liveWorlds(), 27u);
  for (const auto& frame : record().frames) {
    for (AEGP_WorldH h : frame) {
      const host::World* w = pixels.find(h);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->width(), 1920);
      EXPECT_EQ(w->height(), 1080);
    }
  }
  EXPECT_EQ(pixels.find(record().frames[0][1])->depth(), host::PixelDepth::U16);
  EXPECT_EQ(pixels.find(record().frames[8][2])->depth(), host::PixelDepth::F32);
  driver->globalSetdown();
  EXPECT_EQ(pixels.liveWorlds(), 0u);
  EXPECT_TRUE(core.accounting().imbalanceReport().empty());
}

TEST_F(FrameLibrary, AMissingFileLeavesItsRecordEmptyAndTheOthersLoadFromARenamedModule) {
  copy = installedCopy(FRAME_FILE_NAMES[4]);
  load(copy / "Renamed.aex");
  EXPECT_EQ(pixels.liveWorlds(), 24u);
  for (int i = 0; i < 9; ++i) {
    for (AEGP_WorldH h : record().frames[i]) EXPECT_EQ(h == nullptr, i == 4) << "frame " << i;
  }
}

TEST_F(FrameLibrary, PixelsMatchTheFileAtAllThreeDepths) {
  load(PLENORIUM_MODULE_PATH);
  const fs::path file = fs::path(PLENORIUM_MODULE_PATH).parent_path() / "Resources" / FRAME_FILE_NAMES[8];
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, file.c_str()), 0);
  image.format = PNG_FORMAT_ARGB;
  std::vector<std::uint8_t> argb(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, argb.data(), 0, nullptr), 0);

  const host::World& w8 = *pixels.find(record().frames[8][0]);
  const host::World& w16 = *pixels.find(record().frames[8][1]);
  const host::World& w32 = *pixels.find(record().frames[8][2]);
  for (int y = 0; y < 1080; y += 7) {
    for (int x = 0; x < 1920; x += 5) {
      const std::uint8_t* p = &argb[(static_cast<std::size_t>(y) * 1920 + x) * 4];
      const PF_Pixel8 a = host::pixelRow<host::PixelDepth::U8>(w8, y)[x];
      const PF_Pixel16 b = host::pixelRow<host::PixelDepth::U16>(w16, y)[x];
      const PF_PixelFloat c = host::pixelRow<host::PixelDepth::F32>(w32, y)[x];
      // Every channel at every depth: the deeper rows are converted several channels at a time.
      ASSERT_EQ(a.alpha, p[0]);
      ASSERT_EQ(a.red, p[1]);
      ASSERT_EQ(a.green, p[2]);
      ASSERT_EQ(a.blue, p[3]);
      ASSERT_EQ(b.alpha, toChannel16(p[0]));
      ASSERT_EQ(b.red, toChannel16(p[1]));
      ASSERT_EQ(b.green, toChannel16(p[2]));
      ASSERT_EQ(b.blue, toChannel16(p[3]));
      ASSERT_EQ(c.alpha, toChannel32(p[0]));
      ASSERT_EQ(c.red, toChannel32(p[1]));
      ASSERT_EQ(c.green, toChannel32(p[2]));
      ASSERT_EQ(c.blue, toChannel32(p[3])) << "pixel " << x << ", " << y;
    }
  }
}

TEST_F(FrameLibrary, APictureOfAnotherSizeKeepsItsSizeAndTheColourUnderZeroAlpha) {
  copy = installedCopy(FRAME_FILE_NAMES[0]);
  // A 3 x 2 picture whose first pixel is fully transparent red.
  const std::uint8_t rgba[3 * 2 * 4] = {255, 0,   0,   0,   0, 255, 0,   255, 0, 0, 255, 128,
                                        255, 255, 255, 255, 1, 128, 255, 0,   0, 0, 0,   255};
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = 3;
  image.height = 2;
  image.format = PNG_FORMAT_RGBA;
  ASSERT_NE(png_image_write_to_file(&image, (copy / "Resources" / FRAME_FILE_NAMES[0]).c_str(), 0, rgba, 0, nullptr),
            0);
  load(copy / "Renamed.aex");
  const host::World& w8 = *pixels.find(record().frames[0][0]);
  const host::World& w16 = *pixels.find(record().frames[0][1]);
  const host::World& w32 = *pixels.find(record().frames[0][2]);
  EXPECT_EQ(w8.width(), 3);
  EXPECT_EQ(w8.height(), 2);
  const PF_Pixel8 a = host::pixelRow<host::PixelDepth::U8>(w8, 0)[0];
  EXPECT_EQ(a.alpha, 0);
  EXPECT_EQ(a.red, 255) << "the colour under zero alpha is kept";
  EXPECT_EQ(host::pixelRow<host::PixelDepth::U16>(w16, 0)[0].red, 32768);
  EXPECT_EQ(host::pixelRow<host::PixelDepth::F32>(w32, 0)[0].red, 1.0f);
  EXPECT_EQ(host::pixelRow<host::PixelDepth::U16>(w16, 1)[1].red, 129);
  EXPECT_EQ(host::pixelRow<host::PixelDepth::U16>(w16, 1)[1].green, 16448);
}

TEST(FrameConversions, EightBitValuesMapExactly) {
  EXPECT_EQ(toChannel16(0), 0);
  EXPECT_EQ(toChannel16(1), 129);
  EXPECT_EQ(toChannel16(128), 16448);
  EXPECT_EQ(toChannel16(255), 32768);
  EXPECT_EQ(toChannel32(0), 0.0f);
  EXPECT_EQ(toChannel32(255), 1.0f);
}

}  // namespace
}  // namespace plenorium::test
