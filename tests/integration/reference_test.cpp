// Reference renders of the wall through the real module and host. Each case renders one frame at
// 8 bits and compares it with a lossless reference in tests/data/references: a pixel may differ
// by at most 2 levels per channel, except for at most 0.1 % of pixels, which may differ by up to
// 32 (resampling at screen edges); a wrong screen, colour, position or transform exceeds that.
// On a mismatch the render and a difference picture are kept in the build folder.
// scripts/update-references.sh renders the references again.
#include <png.h>

#include <cstdlib>
#include <cstring>

#include "host_error.h"
#include "image_writer.h"
#include "wall_fixture.h"

namespace plenorium::test {
namespace {

namespace fs = std::filesystem;

const fs::path REFERENCES = fs::path(PLENORIUM_SOURCE_DIR) / "tests" / "data" / "references";
const fs::path FAILURES = fs::path(PLENORIUM_BINARY_DIR) / "reference-failures";

bool updating() {
  const char* v = std::getenv("PLENORIUM_UPDATE_REFERENCES");
  return v != nullptr && std::string(v) == "1";
}

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
};

Picture readPng(const fs::path& path) {
  Picture p;
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return p;
  image.format = PNG_FORMAT_RGBA;
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  p.rgba.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr) == 0) p = Picture{};
  return p;
}

class Reference : public WallFixture {
 protected:
  // Layers for a small wall: three hidden solid sources and the wall layer; 320 × 180.
  static json smallProject(json params, const json& extraLayers = json::array(), double pixelAspect = 1) {
    params.emplace("Source 1", "A");
    params.emplace("Source 2", "B");
    params.emplace("Source 3", "C");
    params.emplace("Screen Width", 64);
    params.emplace("Screen Height", 36);
    json layers = json::array({wallLayer(params, "base"),
                               {{"name", "A"}, {"source", "c0"}, {"visible", false}},
                               {{"name", "B"}, {"source", "checker"}, {"visible", false}},
                               {{"name", "C"}, {"source", "c2"}, {"visible", false}}});
    for (const json& l : extraLayers) layers.push_back(l);
    json doc = projectWith(
        json::array(),
        json::array(
            {{{"name", "base"}, {"type", "solid"}, {"width", 320}, {"height", 180}, {"color", {0, 0, 0, 0}}},
             {{"name", "checker"}, {"type", "pattern"}, {"pattern", "checker"}, {"width", 320}, {"height", 180}}}));
    json& main = doc["items"].back();
    main["width"] = 320;
    main["height"] = 180;
    main["pixelAspect"] = pixelAspect;
    main["layers"] = layers;
    return doc;
  }

  void check(const std::string& name, const host::World& world) {
    const fs::path reference = REFERENCES / (name + ".png");
    if (updating()) {
      host::writePng(world, reference.string(), host::FileDepth::EIGHT);
      return;
    }
    fs::create_directories(FAILURES);
    const fs::path actualPath = FAILURES / (name + ".actual.png");
    host::writePng(world, actualPath.string(), host::FileDepth::EIGHT);
    const Picture actual = readPng(actualPath);
    const Picture expected = readPng(reference);
    ASSERT_GT(expected.width, 0) << "no reference " << reference << ": run scripts/update-references.sh";
    ASSERT_EQ(actual.width, expected.width);
    ASSERT_EQ(actual.height, expected.height);
    std::size_t off = 0;
    int worst = 0;
    Picture diff = actual;
    for (std::size_t i = 0; i < actual.rgba.size(); i += 4) {
      int d = 0;
      for (int c = 0; c < 4; ++c) d = std::max(d, std::abs(actual.rgba[i + c] - expected.rgba[i + c]));
      worst = std::max(worst, d);
      if (d > 2) ++off;
      const auto v = static_cast<std::uint8_t>(std::min(255, d * 8));
      diff.rgba[i] = diff.rgba[i + 1] = diff.rgba[i + 2] = v;
      diff.rgba[i + 3] = 255;
    }
    const std::size_t pixelCount = actual.rgba.size() / 4;
    const bool ok = worst <= 32 && off * 1000 <= pixelCount;
    if (ok) {
      fs::remove(actualPath);
    } else {
      png_image image;
      std::memset(&image, 0, sizeof(image));
      image.version = PNG_IMAGE_VERSION;
      image.width = static_cast<png_uint_32>(diff.width);
      image.height = static_cast<png_uint_32>(diff.height);
      image.format = PNG_FORMAT_RGBA;
      png_image_write_to_file(&image, (FAILURES / (name + ".diff.png")).c_str(), 0, diff.rgba.data(), 0, nullptr);
    }
    EXPECT_TRUE(ok) << name << ": " << off << " of " << pixelCount << " pixels differ by more than 2, worst " << worst
                    << "; see " << FAILURES;
  }

  void renderAndCheck(const std::string& name, const json& doc, long frame = 0, host::RenderSettings settings = {}) {
    open(doc);
    {
      const host::OwnedWorld w = render(frame, settings);
      check(name, *w);
    }
    const auto left = outstanding();
    EXPECT_TRUE(left.empty()) << name << ": " << left.front();
  }
};

TEST_F(Reference, DefaultWall) {
  renderAndCheck("default_wall", smallProject(json::object()));
}

TEST_F(Reference, RandomOrder) {
  renderAndCheck("random_order", smallProject({{"Source order", true}, {"Order & Size Random seed", 5}}));
}

TEST_F(Reference, AlignmentAndGaps) {
  renderAndCheck("align_gaps", smallProject({{"Align Horizontal", "Left"},
                                             {"Align Vertical", "Top"},
                                             {"Gap X", 10},
                                             {"Gap Y", 6},
                                             {"Columns", 4},
                                             {"Rows", 3}}));
}

TEST_F(Reference, TiltsAboutTheVerticalAxis) {
  renderAndCheck("tilt_y60", smallProject({{"Screens Transform/Controls/Rotation/Y", 60}}));
  renderAndCheck("tilt_y180", smallProject({{"Screens Transform/Controls/Rotation/Y", 180}}));
}

TEST_F(Reference, RotationOnNonSquarePixels) {
  renderAndCheck(
      "rotation_par2",
      smallProject({{"Screens Transform/Controls/Rotation/Z", 90}, {"Columns", 3}, {"Rows", 2}}, json::array(), 2.0));
}

TEST_F(Reference, HalfOpacity) {
  renderAndCheck("opacity_50", smallProject({{"Screens Transform/Controls/Opacity", 50}}));
}

TEST_F(Reference, FramesOnNeutralAndTransformedScreens) {
  const json fit = {{"TV Frame/Frame image", "Flat 2"},
                    {"Fit in frame/Scale X", 80},
                    {"Fit in frame/Scale Y", 80},
                    {"Fit in frame/Offset X", 10}};
  renderAndCheck("frame_builtin_neutral", smallProject(fit));
  json turned = fit;
  turned["Screens Transform/Controls/Rotation/Z"] = 20;
  turned["Screens Transform/Controls/Opacity"] = 70;
  renderAndCheck("frame_builtin_transformed", smallProject(turned));

  // A custom frame: a layer whose composition draws a yellow border around an empty middle.
  const json custom = {{"TV Frame/Frame image", "Custom"},
                       {"Frame layer", "Bezel"},
                       {"Fit in frame/Scale X", 80},
                       {"Fit in frame/Scale Y", 80},
                       {"Fit in frame/Offset X", 10}};
  json doc = smallProject(custom, json::array({{{"name", "Bezel"}, {"source", "BezelComp"}, {"visible", false}}}));
  json& items = doc["items"];
  const json bar = {{"name", "bar"}, {"type", "solid"}, {"width", 320}, {"height", 18}, {"color", {1, 1, 0, 1}}};
  const json post = {{"name", "post"}, {"type", "solid"}, {"width", 24}, {"height", 180}, {"color", {1, 1, 0, 1}}};
  const json bezel = {{"name", "BezelComp"},
                      {"type", "comp"},
                      {"width", 320},
                      {"height", 180},
                      {"layers",
                       {{{"source", "bar"}, {"transform", {{"position", {160, 9}}}}},
                        {{"source", "bar"}, {"transform", {{"position", {160, 171}}}}},
                        {{"source", "post"}, {"transform", {{"position", {12, 90}}}}},
                        {{"source", "post"}, {"transform", {{"position", {308, 90}}}}}}}};
  for (const json* item : {&bar, &post, &bezel}) items.insert(items.end() - 1, *item);
  renderAndCheck("frame_custom_neutral", doc);
  json customTurned = custom;
  customTurned["Screens Transform/Controls/Rotation/Z"] = 20;
  renderAndCheck("frame_custom_transformed", [&] {
    json d = doc;
    d["items"].back()["layers"][0]["effects"][0]["params"]["Screens Transform/Controls/Rotation/Z"] = 20;
    return d;
  }());
}

TEST_F(Reference, PerScreenDelay) {
  const json delayed = smallProject({{"Per screen time offset", 2}});
  renderAndCheck("delay_0s", delayed, 0);
  renderAndCheck("delay_2s", delayed, 50);
}

TEST_F(Reference, HalfResolution) {
  host::RenderSettings half;
  half.downsample = 2;
  renderAndCheck("half_resolution", smallProject({{"Screens Transform/Controls/Rotation/Z", 15}}), 0, half);
}

TEST_F(Reference, TheThreeDepthsAgreeWithinQuantisation) {
  open(smallProject({{"Screens Transform/Controls/Rotation/Z", 15}, {"TV Frame/Frame image", "Retro"}}));
  host::RenderSettings s8, s16, s32;
  s16.depth = host::PixelDepth::U16;
  s32.depth = host::PixelDepth::F32;
  const host::OwnedWorld a = render(0, s8), b = render(0, s16), c = render(0, s32);
  float worst = 0;
  for (A_long y = 0; y < a->height(); ++y) {
    for (A_long x = 0; x < a->width(); ++x) {
      // Premultiplied, so that the colour of fully transparent pixels does not count.
      const host::Color4 p = at(*a, x, y), q = at(*b, x, y), r = at(*c, x, y);
      for (const host::Color4& other : {q, r}) {
        worst = std::max({worst, std::fabs(p.a - other.a), std::fabs(p.r * p.a - other.r * other.a),
                          std::fabs(p.g * p.a - other.g * other.a), std::fabs(p.b * p.a - other.b * other.a)});
      }
    }
  }
  EXPECT_LE(worst, 2.0f / 255.0f);
}

TEST_F(Reference, NothingToShowIsATransparentFrameAndNoError) {
  for (const json& params : {json{{"Global Scale", 0}}, json{{"Screen Width", 0}}}) {
    open(smallProject(params));
    const host::OwnedWorld w = render();
    for (A_long y = 0; y < w->height(); y += 7) {
      for (A_long x = 0; x < w->width(); x += 7) ASSERT_EQ(at(*w, x, y).a, 0.0f);
    }
  }
  open(projectWith(wallLayer(json::object())));  // Manual with no source layer chosen
  const host::OwnedWorld w = render();
  EXPECT_EQ(at(*w, 320, 180).a, 0.0f);
}

TEST_F(Reference, ASourceThatCannotBeCheckedOutEndsTheRenderWith517AfterEarlierGroups) {
  json doc = smallProject({{"Source 2", "Broken"}});
  const json missing = {{"name", "missing"}, {"type", "footage"}, {"path", "no/such/file.png"}};
  doc["items"].insert(doc["items"].end() - 1, missing);
  doc["items"].back()["layers"].push_back({{"name", "Broken"}, {"source", "missing"}, {"visible", false}});
  open(doc);
  try {
    render();
    FAIL() << "the render succeeded";
  } catch (const host::HostError& e) {
    EXPECT_NE(std::string(e.what()).find("error 517"), std::string::npos) << e.what();
  }
  // Group 0 (source A) was drawn before group 1's checkout failed.
  bool drewBeforeFailure = false;
  for (const json& j : trace()) {
    if (j["call"] == "transform_world" && j["cmd"] == PF_Cmd_SMART_RENDER) drewBeforeFailure = true;
    if (j["call"] == "checkout_layer_pixels" && j["id"] == 101) break;
  }
  EXPECT_TRUE(drewBeforeFailure);
  const auto left = outstanding();
  EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
}  // namespace plenorium::test
