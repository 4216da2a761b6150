// The Windows module, as the smoke program saw it under Wine, against the Linux build: the same
// descriptor, one export, system imports only, the frame pictures decoded by GDI+ to the same
// pixels as libpng, and the same wall.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "effect_registry.h"
#include "frame_library.h"
#include "module_file.h"
#include "pixel_host.h"
#include "pixel_types.h"
#include "plugin_descriptor.h"
#include "png_decoder.h"
#include "project_file.h"
#include "raw_picture.h"
#include "render_session.h"

namespace plenorium::test {
namespace {

namespace fs = std::filesystem;

const fs::path SMOKE_OUT = WINDOWS_SMOKE_OUT;

std::vector<std::string> lines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> result;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) result.push_back(line);
  }
  return result;
}

std::vector<std::uint8_t> bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST(WindowsModule, ExportsOnlyTheEntryPointAndImportsOnlySystemLibraries) {
  EXPECT_EQ(lines(SMOKE_OUT / "exports.txt"), std::vector<std::string>{"EntryPointFunc"});
  // Libraries every Windows installation has; the compiler's own runtime DLLs must not appear.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll",
                                        "gdiplus.dll",  "ntdll.dll",  "ole32.dll",    "gdi32.dll"};
  const std::vector<std::string> imports = lines(SMOKE_OUT / "imports.txt");
  EXPECT_FALSE(imports.empty());
  for (const std::string& library : imports) EXPECT_TRUE(system.count(lowercase(library))) << library;
}

TEST(WindowsModule, CarriesTheSameDescriptorAsTheLinuxModule) {
  const std::vector<std::uint8_t> windows = bytesOf(SMOKE_OUT / "pipl.bin");
  EXPECT_EQ(windows, bytesOf(PLENORIUM_PIPL_BINARY));
  EXPECT_EQ(windows, host::readDescriptorBytes(PLENORIUM_MODULE_PATH));
  const host::PluginDescriptor descriptor = host::parsePipl(windows);
  EXPECT_EQ(descriptor.matchName, "KTRM_Plenorium");
  EXPECT_EQ(descriptor.entryPoint, "EntryPointFunc");
}

TEST(WindowsModule, FramePicturesDecodeThroughGdiplusToTheLibpngPixels) {
  const fs::path resources = fs::path(PLENORIUM_SOURCE_DIR) / "plugin" / "Resources";
  for (int i = 0; i < FRAME_IMAGE_COUNT; ++i) {
    SCOPED_TRACE(FRAME_FILE_NAMES[i]);
    const auto windows = readRawPicture((SMOKE_OUT / "frames" / (std::to_string(i) + ".argb")).string());
    ASSERT_TRUE(windows.has_value());
    PngDecoder decoder((resources / FRAME_FILE_NAMES[i]).string());
    ASSERT_EQ(windows->width, decoder.width());
    ASSERT_EQ(windows->height, decoder.height());
    std::vector<std::uint8_t> linux(windows->bytes.size());
    ASSERT_TRUE(decoder.readARGB(linux.data()));
    // The pictures have transparent windows and soft edges, so equal bytes include equal alpha.
    std::set<std::uint8_t> alphas;
    for (std::size_t p = 0; p < linux.size(); p += 4) alphas.insert(linux[p]);
    EXPECT_GT(alphas.size(), 2u);
    EXPECT_TRUE(windows->bytes == linux);
  }
}

// A channel of a rendered picture on the 0..1 scale, from the raw rows of its depth.
float channel(const RawPicture& picture, std::size_t index) {
  switch (picture.bytesPerPixel) {
    case 4: return static_cast<float>(picture.bytes[index]) / 255.0f;
    case 8: {
      std::uint16_t v = 0;
      std::memcpy(&v, picture.bytes.data() + index * 2, 2);
      return static_cast<float>(v) / 32768.0f;
    }
    default: {
      float v = 0;
      std::memcpy(&v, picture.bytes.data() + index * 4, 4);
      return v;
    }
  }
}

TEST(WindowsModule, RendersTheSameWallAsTheLinuxModule) {
  host::HostCore core;
  host::PixelHost pixels(core, 2);
  host::EffectRegistry registry(core);
  registry.load(PLENORIUM_MODULE_PATH);
  host::Project project =
      host::loadProject(PLENORIUM_SOURCE_DIR "/tests/data/windows_wall.json", registry.schemaLookup());
  host::RenderSession session(core, pixels, registry, project);
  session.startInstances();
  for (const auto& [depth, name] : WALL_PICTURES) {
    SCOPED_TRACE(name);
    const RawPicture linux = rawPictureOf(*session.renderFrame(*project.compByName("Main"), WALL_FRAME, {depth, 1}));
    const auto windows = readRawPicture((SMOKE_OUT / name).string());
    ASSERT_TRUE(windows.has_value());
    ASSERT_EQ(windows->width, linux.width);
    ASSERT_EQ(windows->height, linux.height);
    ASSERT_EQ(windows->bytesPerPixel, linux.bytesPerPixel);
    const std::size_t channels = std::size_t{linux.width} * linux.height * 4;
    float largest = 0;
    std::size_t differing = 0;
    std::set<int> levels;
    for (std::size_t i = 0; i < channels; ++i) {
      const float a = channel(linux, i);
      const float b = channel(*windows, i);
      largest = std::max(largest, std::abs(a - b));
      differing += a != b;
      levels.insert(static_cast<int>(std::lround(a * 255)));
    }
    // A wall with frames, tilted screens and four sources, not an empty or flat frame.
    EXPECT_GT(levels.size(), 200u);
    // Both builds run the same arithmetic; only the C libraries' trigonometry may differ in the
    // last place, which must not move any channel by more than a quarter of an 8-bit level.
    EXPECT_LE(largest * 255, 0.25f) << differing << " channels differ";
    std::cout << "[ parity ] " << name << ": " << differing << " of " << channels
              << " channels differ, largest difference " << largest * 255 << " of 255\n";
  }
}

// Under Wine too, a layer control naming the effect's own layer gives the layer's picture before
// its effects: the Windows module's wall of itself equals the Linux module's wall of a duplicate.
TEST(WindowsModule, TheOwnLayerAsASourceRendersAsAWallOfADuplicate) {
  host::HostCore core;
  host::PixelHost pixels(core, 2);
  host::EffectRegistry registry(core);
  registry.load(PLENORIUM_MODULE_PATH);
  host::Project project =
      host::loadProject(PLENORIUM_SOURCE_DIR "/tests/data/windows_wall.json", registry.schemaLookup());
  host::RenderSession session(core, pixels, registry, project);
  session.startInstances();
  const RawPicture linux = rawPictureOf(*session.renderFrame(*project.compByName("Duplicate"), WALL_FRAME, {}));
  const auto windows = readRawPicture((SMOKE_OUT / "own_layer.argb").string());
  ASSERT_TRUE(windows.has_value());
  ASSERT_EQ(windows->width, linux.width);
  ASSERT_EQ(windows->height, linux.height);
  float largest = 0;
  for (std::size_t i = 0; i < std::size_t{linux.width} * linux.height * 4; ++i) {
    largest = std::max(largest, std::abs(channel(linux, i) - channel(*windows, i)));
  }
  EXPECT_LE(largest * 255, 0.25f);
}

}  // namespace
}  // namespace plenorium::test
