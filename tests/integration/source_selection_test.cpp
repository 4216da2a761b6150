// How the wall effect finds its sources and requests their pictures, seen from the host.
#include <set>

#include "wall_fixture.h"

namespace plenorium::test {
namespace {

using SourceSelection = WallFixture;

// A 4 × 4 wall of 160 × 90 screens exactly covering the 640 × 360 composition.
json grid(json params) {
  params["Columns"] = 4;
  params["Rows"] = 4;
  return params;
}

int screenColor(WallFixture& f, const host::World& w, int screen) {
  return f.colorAt(w, (screen % 4) * 160 + 80, (screen / 4) * 90 + 45);
}

std::vector<json> callsNamed(const std::vector<json>& trace, const std::string& call) {
  std::vector<json> out;
  for (const json& j : trace) {
    if (j["call"] == call) out.push_back(j);
  }
  return out;
}

TEST_F(SourceSelection, ManualUsesTheSourceControlsThatHaveALayerInOrder) {
  open(projectWith({wallLayer(grid({{"Source 3", "A"}, {"Source 7", "B"}})),
                    {{"name", "A"}, {"source", "c0"}, {"visible", false}},
                    {{"name", "B"}, {"source", "c1"}, {"visible", false}}}));
  {
    const host::OwnedWorld w = render();
    for (int s = 0; s < 16; ++s) EXPECT_EQ(screenColor(*this, *w, s), s % 2) << "screen " << s;
  }
  std::set<int> indices;
  for (const json& j : callsNamed(trace(), "checkout_layer")) {
    if (j["id"].get<int>() >= 100) indices.insert(j["index"].get<int>());
  }
  EXPECT_EQ(indices, (std::set<int>{6, 10}));
  const auto left = outstanding();
  EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(SourceSelection, AutomaticAssignsTheLayersFromTheTopInOneUndoGroup) {
  open(projectWith({{{"name", "A"}, {"source", "c0"}, {"visible", false}},
                    wallLayer(grid({{"Layer selection method", "Automatic"}, {"Source 9", "C"}})),
                    {{"name", "B"}, {"source", "c1"}, {"visible", false}},
                    {{"name", "C"}, {"source", "c2"}, {"visible", false}}}));
  const host::Composition& comp = *project->compByName("Main");
  {
    const host::OwnedWorld w = render();
    EXPECT_EQ(screenColor(*this, *w, 0), 0);
    EXPECT_EQ(screenColor(*this, *w, 1), 1);
    EXPECT_EQ(screenColor(*this, *w, 2), 2);
    EXPECT_EQ(screenColor(*this, *w, 3), 0);
  }
  const host::EffectInstance& e = *comp.layerByName("Wall")->effects[0];
  EXPECT_EQ(e.params[4].constant()[0], comp.layerByName("A")->id);
  EXPECT_EQ(e.params[5].constant()[0], comp.layerByName("B")->id);
  EXPECT_EQ(e.params[6].constant()[0], comp.layerByName("C")->id);
  for (int p = 7; p <= 23; ++p) EXPECT_EQ(e.params[static_cast<std::size_t>(p)].constant()[0], 0.0) << p;
  ASSERT_EQ(core.undoGroups().size(), 1u);
  EXPECT_TRUE(core.undoGroups()[0].closed);

  const json saved = json::parse(host::projectToJson(*project).dump());
  const json& params = saved["items"].back()["layers"][1]["effects"][0]["params"];
  // In Automatic the source controls are hidden, so they are saved with their flag.
  EXPECT_EQ(params["Sources/Layers/Source 1"]["value"], "A");
  EXPECT_EQ(params["Sources/Layers/Source 3"]["value"], "C");
  EXPECT_EQ(params["Sources/Layers/Source 3"]["hidden"], true);
  EXPECT_EQ(params["Sources/Layers/Source 9"]["value"], nullptr) << "cleared controls name no layer";
}

TEST_F(SourceSelection, AutomaticWithTheEffectLayerLastTakesTheFirstTwentyLayers) {
  json layers = json::array();
  for (int i = 0; i < 30; ++i) {
    layers.push_back({{"name", "L" + std::to_string(i)}, {"source", "c" + std::to_string(i % 6)}, {"visible", false}});
  }
  layers.push_back(wallLayer(grid({{"Layer selection method", "Automatic"}})));
  open(projectWith(layers));
  render();
  const host::Composition& comp = *project->compByName("Main");
  const host::EffectInstance& e = *comp.layerByName("Wall")->effects[0];
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(e.params[static_cast<std::size_t>(4 + i)].constant()[0], comp.layerByName("L" + std::to_string(i))->id);
  }
}

TEST_F(SourceSelection, InnerCompCountsOnlyTheAvLayersOfTheNestedComposition) {
  const json inner = {{"name", "Inner"},
                      {"type", "comp"},
                      {"width", 640},
                      {"height", 360},
                      {"fps", 25},
                      {"duration", 4},
                      {"layers",
                       {{{"name", "Camera 1"}, {"type", "camera"}},
                        {{"name", "Light 1"}, {"type", "light"}},
                        {{"name", "S0"}, {"source", "c0"}},
                        {{"name", "S1"}, {"source", "c1"}},
                        {{"name", "S2"}, {"source", "c2"}}}}};
  open(projectWith({wallLayer(grid({{"Layer selection method", "Inner Comp"}}), "Inner")}, json::array({inner})));
  {
    const host::OwnedWorld w = render();
    for (int s = 0; s < 16; ++s) EXPECT_EQ(screenColor(*this, *w, s), s % 3) << "screen " << s;
  }
  EXPECT_EQ(callsNamed(trace(), "AEGP_RenderAndCheckoutFrame").size(), 3u) << "one render per group";
  EXPECT_EQ(callsNamed(trace(), "AEGP_CheckinFrame").size(), 3u);
  const auto left = outstanding();
  EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(SourceSelection, ScreensSharingASourceAndTimeMakeOneCheckout) {
  open(projectWith({wallLayer({{"Columns", 3}, {"Rows", 1}, {"Source 1", "A"}}),
                    {{"name", "A"}, {"source", "c3"}, {"visible", false}}}));
  render();
  std::set<int> ids;
  for (const json& j : callsNamed(trace(), "checkout_layer")) ids.insert(j["id"].get<int>());
  EXPECT_EQ(ids, (std::set<int>{0, 100}));
}

TEST_F(SourceSelection, RandomSourceTimesAreWholeFramesAheadNeverBehind) {
  open(projectWith({wallLayer(grid({{"Source 1", "A"}, {"Source time", 0.5}, {"Source order", true}})),
                    {{"name", "A"}, {"source", "c0"}, {"visible", false}}}));
  render(10);
  std::set<int> ahead;
  for (const json& j : callsNamed(trace(), "checkout_layer")) {
    if (j["id"].get<int>() < 100) continue;
    const int frames = j["time"].get<int>() - 10;
    EXPECT_GE(frames, 0);
    EXPECT_LE(frames, 12);
    ahead.insert(frames);
  }
  EXPECT_GT(ahead.size(), 3u) << "sixteen screens spread over several frames";
}

TEST_F(SourceSelection, AnimatedControlsAreSampledAtEachScreensOwnTime) {
  open(projectWith({wallLayer(grid({{"Source 1", "A"},
                                    {"Screens Transform/Controls/Opacity", {{"keyframes", {{0, 0}, {2, 100}}}}},
                                    {"Per screen time offset", 1.0}})),
                    {{"name", "A"}, {"source", "c0"}, {"visible", false}}}));
  const host::OwnedWorld w = render(50);  // 2 s
  std::set<int> alphas;
  for (int s = 0; s < 16; ++s) {
    const float a = at(*w, (s % 4) * 160 + 80, (s / 4) * 90 + 45).a;
    EXPECT_GT(a, 0.45f) << "a screen delayed by at most 1 s shows at least half its opacity";
    alphas.insert(static_cast<int>(a * 255));
  }
  EXPECT_GT(alphas.size(), 4u);
}

TEST_F(SourceSelection, EachScreenSampleMakesFortyTwoHostCallsAtItsOwnTimeEvenBeforeZero) {
  open(projectWith(
      wallLayer({{"Columns", 2}, {"Rows", 1}, {"Per screen time offset", 3.0}, {"Transform Random seed", 1}})));
  render(0);
  static const std::set<std::string> sampling = {"AEGP_GetNewEffectForEffect", "AEGP_GetNewEffectStreamByIndex",
                                                 "AEGP_GetNewStreamValue",     "AEGP_DisposeStreamValue",
                                                 "AEGP_DisposeStream",         "AEGP_DisposeEffect"};
  std::size_t calls = 0;
  bool negative = false;
  for (const json& j : trace()) {
    if (j["cmd"] != PF_Cmd_SMART_RENDER || sampling.count(j["call"].get<std::string>()) == 0) continue;
    ++calls;
    if (j["call"] == "AEGP_GetNewStreamValue" && j["time"].get<int>() < 0) negative = true;
  }
  EXPECT_EQ(calls, 2u * 42u);
  EXPECT_TRUE(negative) << "a delayed screen at time 0 samples its controls before 0";
}

// A layer control may name the effect's own layer: the effect then gets that layer's source before
// its effects, as the host application gives it, and the wall is a wall of itself; the same as a
// wall of a duplicate of the layer, and it does not render itself again.
TEST_F(SourceSelection, TheEffectsOwnLayerAsASourceIsItsPictureBeforeTheEffect) {
  const json params = {{"Columns", 2}, {"Rows", 2}, {"Screen Width", 160}, {"Screen Height", 90}, {"Gap X", 8}};
  json own = params, duplicate = params;
  own["Source 1"] = "Wall";
  duplicate["Source 1"] = "Copy";
  open(projectWith({wallLayer(own, "c2")}));
  host::OwnedWorld ofItself = render(12);
  bool checkedOut = false;
  for (const json& j : trace()) checkedOut = checkedOut || (j["call"] == "checkout_layer" && j.value("index", 0) > 0);
  EXPECT_TRUE(checkedOut) << "the trace shows the checkout of the own layer";
  open(projectWith({wallLayer(duplicate, "c2"), {{"name", "Copy"}, {"source", "c2"}, {"visible", false}}}));
  host::OwnedWorld ofCopy = render(12);
  ASSERT_EQ(ofItself->width(), ofCopy->width());
  int blue = 0;
  for (A_long y = 0; y < ofCopy->height(); y += 7) {
    for (A_long x = 0; x < ofCopy->width(); x += 7) {
      ASSERT_EQ(colorAt(*ofItself, x, y), colorAt(*ofCopy, x, y)) << x << "," << y;
      blue += colorAt(*ofCopy, x, y) == 2 ? 1 : 0;
    }
  }
  EXPECT_GT(blue, 100) << "the screens show the blue source";
  ofItself.reset();
  ofCopy.reset();
  EXPECT_TRUE(outstanding().empty());
}

}  // namespace
}  // namespace plenorium::test
