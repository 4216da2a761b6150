// A saved project loads back as the project it was saved from: every example, and a project that
// uses every key the loader knows. The two loaded projects are compared field by field through a
// description written here from the model, so a field the saver drops cannot hide behind a
// comparison of the saver's output with itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "effect_registry.h"
#include "image_writer.h"
#include "media_library.h"
#include "pixel_host.h"
#include "project_file.h"

namespace plenorium::test {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

void describe(std::ostream& out, const host::Stream& s) {
  out << "{" << s.constant()[0] << "," << s.constant()[1];
  for (const auto& k : s.keyframes()) {
    out << " @" << k.time << "=" << k.value[0] << "," << k.value[1]
        << (k.interpolation == host::Interpolation::HOLD ? "h" : "l");
  }
  if (!s.expression().empty()) out << " expr=" << s.expression() << (s.expressionEnabled() ? "" : "(off)");
  if (s.hidden()) out << " hidden";
  out << "}";
}

void describe(std::ostream& out, const host::ColorRGBA& c) {
  out << c[0] << "," << c[1] << "," << c[2] << "," << c[3];
}

void describe(std::ostream& out, const host::Layer& layer) {
  out << "  layer " << layer.id << " '" << layer.name << "' kind " << static_cast<int>(layer.kind) << " source "
      << (layer.source != nullptr ? layer.source->name : "-") << " start " << layer.startTime << " in " << layer.inPoint
      << " out " << (layer.outPoint ? std::to_string(*layer.outPoint) : "-") << " visible " << layer.visible
      << "\n    ";
  for (const host::Stream* s : {&layer.transform.anchor, &layer.transform.position, &layer.transform.scale,
                                &layer.transform.rotation, &layer.transform.opacity}) {
    describe(out, *s);
  }
  out << "\n";
  for (const auto& effect : layer.effects) {
    out << "    effect " << effect->matchName << ":";
    for (const auto& p : effect->params) describe(out, p);
    out << "\n";
  }
}

// Every field of the model that a project file can set.
std::string describe(const host::Project& project) {
  std::ostringstream out;
  out.precision(17);
  out << "render " << project.renderComp << " audio " << project.renderAudio << "\n";
  for (const auto& item : project.items) {
    out << "item " << item->id << " '" << item->name << "' kind " << static_cast<int>(item->kind) << " " << item->width
        << "x" << item->height << " aspect " << item->pixelAspect << " duration " << item->duration << " rate "
        << item->rate.timeScale << "/" << item->rate.frameTicks << " colour ";
    describe(out, item->color);
    out << " pattern " << item->pattern << " file " << item->resolvedPath << "\n";
    if (const host::Composition* comp = item->comp.get()) {
      out << " comp " << comp->width << "x" << comp->height << " rate " << comp->rate.timeScale << "/"
          << comp->rate.frameTicks << " duration " << comp->duration << " aspect " << comp->pixelAspect
          << " background ";
      describe(out, comp->background);
      out << "\n";
      for (const auto& layer : comp->layers) describe(out, *layer);
    }
  }
  return out.str();
}

class ProjectRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    registry.load(PLENORIUM_MODULE_PATH);
    dir = fs::temp_directory_path() / ("plenorium_round_trip_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "saved");
  }
  void TearDown() override { fs::remove_all(dir); }

  // Loads `file`, saves it into another folder, loads that, and compares the two loaded projects.
  void expectRoundTrip(const fs::path& file) {
    SCOPED_TRACE(file.string());
    const host::Project first = host::loadProject(file.string(), registry.schemaLookup(), probe);
    const fs::path saved = dir / "saved" / file.filename();
    host::saveProject(first, saved.string());
    const host::Project second = host::loadProject(saved.string(), registry.schemaLookup(), probe);
    // Line by line, so that a failure names the item or layer that changed.
    std::istringstream before(describe(first)), after(describe(second));
    std::string a, b;
    int line = 0;
    while (std::getline(before, a)) {
      ++line;
      ASSERT_TRUE(std::getline(after, b)) << "line " << line << " is gone: " << a;
      ASSERT_EQ(b, a) << "line " << line;
    }
    EXPECT_FALSE(std::getline(after, b)) << "an extra line: " << b;
  }

  host::HostCore core;
  host::PixelHost pixels{core, 2};
  host::EffectRegistry registry{core};
  host::MediaLibrary media{pixels.engine()};
  host::FootageProbe probe = [this](host::Item& item) { media.probe(item); };
  fs::path dir;
};

TEST_F(ProjectRoundTrip, EveryExampleLoadsBackAsItWasSaved) {
  // The examples are read from a copy beside the clips that the footage example shows.
  const std::string clips = "bash " + (fs::path(PLENORIUM_SOURCE_DIR) / "scripts" / "make-example-clips.sh").string() +
                            " " + (dir / "clips").string() + " 2>&1";
  ASSERT_EQ(std::system(clips.c_str()), 0);
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(PLENORIUM_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".json") continue;
    fs::copy_file(entry.path(), dir / entry.path().filename());
    expectRoundTrip(dir / entry.path().filename());
    ++examples;
  }
  EXPECT_GE(examples, 3);
}

TEST_F(ProjectRoundTrip, EveryKeyTheLoaderKnowsSurvivesSaving) {
  host::World still(host::PixelDepth::U8, 40, 30);
  host::writeImage(still, (dir / "still.png").string(), host::FileDepth::EIGHT);
  for (int n = 1; n <= 3; ++n) {
    host::writeImage(still, (dir / ("shot." + std::to_string(n) + ".png")).string(), host::FileDepth::EIGHT);
  }
  const json animated = {
      {"keyframes",
       {{0, 10}, {{"t", 1.5}, {"v", 20}, {"interp", "hold"}}, {{"t", 2}, {"v", 30}, {"interp", "linear"}}}},
      {"expression", "value * 2"},
      {"hidden", true}};
  const json project = {{"render", {{"comp", "Main"}, {"audio", "Front"}}},
                        {"items",
                         {{{"name", "red"},
                           {"type", "solid"},
                           {"width", 100},
                           {"height", 50},
                           {"color", {1, 0, 0, 0.5}},
                           {"pixelAspect", 2}},
                          {{"name", "bars"},
                           {"type", "pattern"},
                           {"pattern", "counter"},
                           {"width", 64},
                           {"height", 48},
                           {"fps", 29.97},
                           {"duration", 3},
                           {"pixelAspect", 0.9}},
                          {{"name", "still"}, {"type", "footage"}, {"path", "still.png"}, {"pixelAspect", 1.5}},
                          {{"name", "shots"}, {"type", "footage"}, {"path", "shot.%d.png"}, {"fps", 12}},
                          {{"name", "Inner"},
                           {"type", "comp"},
                           {"width", 160},
                           {"height", 90},
                           {"fps", 24},
                           {"duration", 2},
                           {"pixelAspect", 1.2},
                           {"background", {0.1, 0.2, 0.3, 1}},
                           {"layers", {{{"source", "shots"}}}}},
                          {{"name", "Main"},
                           {"type", "comp"},
                           {"width", 320},
                           {"height", 180},
                           {"fps", 50},
                           {"duration", 4},
                           {"layers",
                            {{{"name", "Wall"},
                              {"source", "Inner"},
                              {"startTime", 0.5},
                              {"inPoint", 0.25},
                              {"outPoint", 3.5},
                              {"visible", true},
                              {"transform",
                               {{"anchor", {{"value", {80, 45}}}},
                                {"position", {{"keyframes", {{0, {100, 90}}, {2, {220, 90}}}}}},
                                {"scale", {{"value", {90, 110}}}},
                                {"rotation", animated},
                                {"opacity", {{"expression", "50"}}}}},
                              {"effects",
                               {{{"matchName", "KTRM_Plenorium"},
                                 {"params",
                                  {{"Layer selection method", "Manual"},
                                   {"Columns", 3},
                                   {"Source 1", "Red"},
                                   {"Source 2", {{"value", "Still"}, {"hidden", true}}},
                                   {"Source order", true},
                                   {"Screen Width", animated},
                                   {"TV Frame/Frame image", "Retro"}}}}}}},
                             {{"name", "Red"}, {"source", "red"}, {"visible", false}},
                             {{"name", "Still"}, {"source", "still"}},
                             {{"name", "Bars"}, {"source", "bars"}},
                             {{"name", "Camera"}, {"type", "camera"}},
                             {{"name", "Light"}, {"type", "light"}},
                             {{"name", "Null"}, {"type", "null"}}}}}}}};
  std::ofstream(dir / "every_key.json") << project.dump(1);
  expectRoundTrip(dir / "every_key.json");
}

}  // namespace
}  // namespace plenorium::test
