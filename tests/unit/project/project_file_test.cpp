#include "project_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "host_error.h"

namespace plenorium::host {
namespace {

using json = nlohmann::json;

// A small control set: a group with a slider, a second slider of the same name elsewhere, a
// popup, a checkbox, a point and a layer.
ParamSchema makeSchema() {
  ParamSchema schema;
  auto add = [&](PF_ParamType type, const char* name, auto&& fill) {
    PF_ParamDef d;
    std::memset(&d, 0, sizeof(d));
    d.param_type = type;
    std::strcpy(d.name, name);
    fill(d);
    schema.add(d);
  };
  auto none = [](PF_ParamDef&) {};
  auto slider = [](double v, float lo, float hi) {
    return [=](PF_ParamDef& d) {
      d.u.fs_d.value = v;
      d.u.fs_d.valid_min = lo;
      d.u.fs_d.valid_max = hi;
    };
  };
  add(PF_Param_GROUP_START, "Fit", none);
  add(PF_Param_FLOAT_SLIDER, "Scale X", slider(100, 0, 100));
  add(PF_Param_GROUP_END, "", none);
  add(PF_Param_FLOAT_SLIDER, "Scale X", slider(100, 0, 1000000));
  add(PF_Param_POPUP, "Mode", [](PF_ParamDef& d) {
    d.u.pd.num_choices = 3;
    d.u.pd.dephault = 1;
    d.u.pd.u.namesptr = "Manual|Automatic|Inner Comp";
  });
  add(PF_Param_CHECKBOX, "Order", none);
  add(PF_Param_POINT, "Where", [](PF_ParamDef& d) { d.u.td.x_dephault = d.u.td.y_dephault = 50 << 16; });
  add(PF_Param_LAYER, "Source 1", none);
  schema.finish();
  return schema;
}

class ProjectFile : public ::testing::Test {
 protected:
  Project parse(const json& doc) {
    return parseProject(doc, "wall.json", "/tmp",
                        [this](const std::string& m) { return m == "FX" ? &schema : nullptr; });
  }
  // A composition "Main" with layers A (solid) and W (the effect), and one solid item.
  json document(const json& params) {
    return json{{"items",
                 {{{"name", "red"}, {"type", "solid"}, {"width", 100}, {"height", 50}},
                  {{"name", "Main"},
                   {"type", "comp"},
                   {"width", 320},
                   {"height", 180},
                   {"layers",
                    {{{"name", "W"}, {"source", "red"}, {"effects", {{{"matchName", "FX"}, {"params", params}}}}},
                     {{"name", "A"}, {"source", "red"}}}}}}}};
  }
  std::string errorOf(const json& doc) {
    try {
      parse(doc);
    } catch (const HostError& e) {
      return e.what();
    }
    return "";
  }

  ParamSchema schema = makeSchema();
};

TEST_F(ProjectFile, ControlsAreSetByNameOrPathWithTypedValues) {
  Project p = parse(document({{"Fit/Scale X", 150},
                              {"Mode", "Inner Comp"},
                              {"Order", true},
                              {"Where", {10, 20}},
                              {"Source 1", "A"},
                              {"/Scale X", 7}}));
  const Composition& comp = *p.compByName("Main");
  const EffectInstance& e = *comp.layers[0]->effects[0];
  EXPECT_EQ(e.params[2].constant()[0], 100.0) << "typed values are clamped to the valid range";
  EXPECT_EQ(e.params[5].constant()[0], 3.0);
  EXPECT_EQ(e.params[6].constant()[0], 1.0);
  EXPECT_EQ(e.params[7].constant()[1], 20.0);
  EXPECT_EQ(e.params[8].constant()[0], static_cast<double>(comp.layerByName("A")->id))
      << "a layer named later resolves";
}

TEST_F(ProjectFile, DefaultsComeFromTheDeclarationAndPointsArePerCentOfTheLayer) {
  Project p = parse(document(json::object()));
  const EffectInstance& e = *p.compByName("Main")->layers[0]->effects[0];
  EXPECT_EQ(e.params[4].constant()[0], 100.0);
  EXPECT_EQ(e.params[5].constant()[0], 1.0);
  EXPECT_EQ(e.params[7].constant()[0], 50.0);
  EXPECT_EQ(e.params[7].constant()[1], 25.0);
}

TEST_F(ProjectFile, EveryMistakeIsOneErrorNamingTheFileAndPath) {
  EXPECT_NE(errorOf(document({{"Scale X", 1}})).find("ambiguous"), std::string::npos);
  EXPECT_NE(errorOf(document({{"Scale X", 1}})).find("Fit/Scale X"), std::string::npos);
  EXPECT_NE(errorOf(document({{"Colums", 1}})).find("unknown control 'Colums'"), std::string::npos);
  const std::string choice = errorOf(document({{"Mode", "Auto"}}));
  EXPECT_NE(choice.find("wall.json: $.items[1].layers[0].effects[0].params[\"Mode\"]"), std::string::npos) << choice;
  EXPECT_NE(choice.find("Manual|Automatic|Inner Comp"), std::string::npos);
  EXPECT_NE(errorOf(document({{"Order", 3}})).find("expected true or false"), std::string::npos);
  EXPECT_NE(errorOf(document({{"Fit", 3}})).find("holds no value"), std::string::npos);
  EXPECT_EQ(errorOf(document({{"Fit", {{"hidden", true}}}})), "");
  EXPECT_NE(errorOf(document({{"Source 1", "Nobody"}})).find("no layer named 'Nobody'"), std::string::npos);

  json badItem = document(json::object());
  badItem["items"][1]["layers"][1]["source"] = "blue";
  EXPECT_NE(errorOf(badItem).find("$.items[1].layers[1].source: no item named 'blue'"), std::string::npos);

  json badEffect = document(json::object());
  badEffect["items"][1]["layers"][0]["effects"][0]["matchName"] = "Other";
  EXPECT_NE(errorOf(badEffect).find("no loaded effect"), std::string::npos);

  json unknownKey = document(json::object());
  unknownKey["items"][1]["layers"][1]["opacity"] = 5;
  EXPECT_NE(errorOf(unknownKey).find("unknown key"), std::string::npos);
}

TEST_F(ProjectFile, CompositionsNestedInACycleAreRefused) {
  json doc = {{"items",
               {{{"name", "A"}, {"type", "comp"}, {"layers", {{{"source", "B"}}}}},
                {{"name", "B"}, {"type", "comp"}, {"layers", {{{"source", "A"}}}}}}}};
  EXPECT_NE(errorOf(doc).find("cycle"), std::string::npos) << errorOf(doc);
}

TEST_F(ProjectFile, NotJsonIsAClearError) {
  const auto path = std::filesystem::temp_directory_path() / "plenorium_bad.json";
  FILE* f = std::fopen(path.c_str(), "w");
  std::fputs("{ \"items\": [ ", f);
  std::fclose(f);
  try {
    loadProject(path.string(), nullptr);
    FAIL() << "broken JSON was accepted";
  } catch (const HostError& e) {
    EXPECT_NE(std::string(e.what()).find("not valid JSON"), std::string::npos);
  }
  std::filesystem::remove(path);
}

// The footage a project file names is found without loading it, resolved as loading resolves it:
// only footage items read upright, and nothing from a file that is not a project.
TEST_F(ProjectFile, FootageIsFoundBeforeLoadingWhereLoadingFindsIt) {
  const auto folder = std::filesystem::temp_directory_path() / ("plenorium_ahead_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "sub");
  const auto path = (folder / "sub" / "p.json").string();
  std::ofstream(path) << R"({"items": [
    {"name": "a", "type": "footage", "path": "../clips/./a.mp4"},
    {"name": "b", "type": "footage", "path": "/abs/b.mov"},
    {"name": "c", "type": "footage", "path": "c.mp4", "autorotate": false},
    {"name": "s", "type": "solid", "width": 4, "height": 4},
    {"name": "Main", "type": "comp", "width": 32, "height": 18, "layers": [{"source": "a"}]}]})";
  const Project loaded = loadProject(path, nullptr);
  EXPECT_EQ(uprightFootageIn(path),
            (std::vector<std::string>{loaded.itemByName("a")->resolvedPath, loaded.itemByName("b")->resolvedPath}));
  std::ofstream(path) << R"({"items": ["not an item", {"type": "footage", "path": 7},
    {"type": "footage", "path": "/abs/e.mp4"}]})";
  EXPECT_EQ(uprightFootageIn(path), std::vector<std::string>{"/abs/e.mp4"});
  std::ofstream(path) << "{ \"items\": [ ";
  EXPECT_TRUE(uprightFootageIn(path).empty());
  EXPECT_TRUE(uprightFootageIn((folder / "missing.json").string()).empty());
  std::filesystem::remove_all(folder);
}

TEST_F(ProjectFile, SavingWritesWhatChangedAndLoadsBackTheSame) {
  const json keys = json::array({json::array({0, 10}), json{{"t", 2}, {"v", 20}, {"interp", "hold"}}});
  Project p = parse(
      document({{"Fit/Scale X", {{"keyframes", keys}}},
                {"Mode", {{"value", "Automatic"}, {"expression", "thisComp.numLayers;\t// tab"}, {"hidden", true}}},
                {"Source 1", "A"}}));
  const json saved = json::parse(projectToJson(p).dump());
  const json& params = saved["items"][1]["layers"][0]["effects"][0]["params"];
  EXPECT_EQ(params["Mode"]["expression"], "thisComp.numLayers;\t// tab");
  EXPECT_EQ(params["Mode"]["value"], "Automatic");
  EXPECT_EQ(params["Mode"]["hidden"], true);
  EXPECT_EQ(params["Source 1"], "A");
  EXPECT_FALSE(params.contains("Order")) << "controls at their default are left out";

  Project again = parse(saved);
  const EffectInstance& e = *again.compByName("Main")->layers[0]->effects[0];
  EXPECT_EQ(e.params[5].expression(), "thisComp.numLayers;\t// tab");
  EXPECT_TRUE(e.params[5].hidden());
  EXPECT_EQ(e.params[2].keyframes().size(), 2u);
  EXPECT_EQ(e.params[2].valueAt(1.5)[0], 17.5);
  EXPECT_EQ(projectToJson(again).dump(), projectToJson(p).dump());
}

}  // namespace
}  // namespace plenorium::host

namespace plenorium::host {
namespace {

TEST(FrameRates, DecimalNtscRatesAreTheExactOnesAndRatiosAreTakenAsWritten) {
  auto rateOf = [](const json& fps) {
    const json doc = {{"items", {{{"name", "p"}, {"type", "pattern"}, {"fps", fps}, {"duration", 1}}}}};
    const Project p = parseProject(doc, "r.json", "/tmp", nullptr);
    return p.items[0]->rate;
  };
  const struct {
    json fps;
    std::uint32_t timeScale;
    std::int32_t frameTicks;
  } cases[] = {{29.97, 30000, 1001},
               {23.976, 24000, 1001},
               {59.94, 60000, 1001},
               {"30000/1001", 30000, 1001},
               {" 24000 / 1001 ", 24000, 1001},
               {25, 25, 1},
               {"50", 50, 1},
               {12.5, 12500, 1000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fps.dump());
    const FrameRate r = rateOf(c.fps);
    EXPECT_EQ(r.timeScale, c.timeScale);
    EXPECT_EQ(r.frameTicks, c.frameTicks);
    // Saved and read back, the rate is the same.
    const json saved = json::parse(
        projectToJson(parseProject({{"items", {{{"name", "p"}, {"type", "pattern"}, {"fps", c.fps}, {"duration", 1}}}}},
                                   "r.json", "/tmp", nullptr))
            .dump());
    const FrameRate again = rateOf(saved["items"][0]["fps"]);
    EXPECT_EQ(again.fps(), r.fps()) << saved.dump();
  }
  for (const json& bad : {json(0), json(-25), json("0/1"), json("25/0"), json("fast"), json(1000), json("1000000/1")}) {
    SCOPED_TRACE(bad.dump());
    EXPECT_THROW(rateOf(bad), HostError);
  }
}

}  // namespace
}  // namespace plenorium::host
