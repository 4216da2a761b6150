// The host rendering compositions with effects, driven through real modules: the probe effect
// built in tests/ and the wall effect.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "effect_registry.h"
#include "host_error.h"
#include "pixel_host.h"
#include "pixel_types.h"
#include "project_file.h"
#include "render_session.h"

namespace plenorium::host {
namespace {

using json = nlohmann::json;
namespace fs = std::filesystem;

class HostRender : public ::testing::Test {
 protected:
  HostRender() {
    registry.load(PROBE_MODULE_PATH);
    registry.load(PLENORIUM_MODULE_PATH);
    baseline = core.accounting().balances();  // what the modules hold for their whole life
  }
  void open(const json& doc) {
    project = std::make_unique<Project>(parseProject(doc, "test.json", "/tmp", registry.schemaLookup()));
    session = std::make_unique<RenderSession>(core, pixels, registry, *project);
    session->startInstances();
  }
  OwnedWorld render(const std::string& comp, long frame = 0, RenderSettings settings = {}) {
    return session->renderFrame(*project->compByName(comp), frame, settings);
  }
  static Color4 at(const World& w, A_long x, A_long y) {
    return dispatchDepth(w.depth(), [&]<PixelDepth D>() { return loadStraight<D>(pixelRow<D>(w, y)[x]); });
  }
  // What the render left out beyond what the modules hold between global set-up and set-down.
  std::vector<std::string> outstanding() {
    session.reset();
    std::vector<std::string> lines;
    for (const auto& [kind, b] : core.accounting().balances()) {
      const auto before = baseline.count(kind) != 0 ? baseline.at(kind).outstanding() : 0;
      if (b.outstanding() != before) {
        lines.push_back(kind + ": " + std::to_string(b.taken - (baseline.count(kind) ? baseline.at(kind).taken : 0)) +
                        " taken, " + std::to_string(b.given - (baseline.count(kind) ? baseline.at(kind).given : 0)) +
                        " given back");
      }
    }
    return lines;
  }

  HostCore core;
  PixelHost pixels{core, 2};
  EffectRegistry registry{core};
  std::unique_ptr<Project> project;
  std::unique_ptr<RenderSession> session;
  std::map<std::string, Balance> baseline;
};

json probeProject(const json& params) {
  return {{"items",
           {{{"name", "red"}, {"type", "solid"}, {"width", 64}, {"height", 64}, {"color", {1, 0, 0, 1}}},
            {{"name", "blue"}, {"type", "solid"}, {"width", 64}, {"height", 64}, {"color", {0, 0, 1, 1}}},
            {{"name", "Main"},
             {"type", "comp"},
             {"width", 64},
             {"height", 64},
             {"fps", 25},
             {"duration", 2},
             {"layers",
              {{{"name", "P"}, {"source", "red"}, {"effects", {{{"matchName", "TEST_Probe"}, {"params", params}}}}},
               {{"name", "B"}, {"source", "blue"}, {"visible", false}}}}}}}};
}

TEST_F(HostRender, ASolidInACompositionInACompositionLandsWhereTheTransformsSay) {
  open({{"items",
         {{{"name", "dot"}, {"type", "solid"}, {"width", 10}, {"height", 10}, {"color", {1, 1, 1, 1}}},
          {{"name", "Inner"},
           {"type", "comp"},
           {"width", 100},
           {"height", 100},
           {"layers", {{{"name", "Dot"}, {"source", "dot"}, {"transform", {{"position", {20, 30}}}}}}}},
          {{"name", "Outer"},
           {"type", "comp"},
           {"width", 200},
           {"height", 200},
           {"layers",
            {{{"name", "In"},
              {"source", "Inner"},
              {"transform", {{"position", {150, 150}}, {"scale", {50, 50}}}}}}}}}}});
  const OwnedWorld w = render("Outer");
  // The dot's centre: 150 + (20 - 50) * 0.5 = 135 across, 150 + (30 - 50) * 0.5 = 140 down; 5 × 5.
  EXPECT_EQ(at(*w, 135, 140).a, 1.0f);
  EXPECT_EQ(at(*w, 135, 140).g, 1.0f);
  EXPECT_EQ(at(*w, 133, 138).a, 1.0f);
  EXPECT_EQ(at(*w, 131, 140).a, 0.0f);
  EXPECT_EQ(at(*w, 139, 140).a, 0.0f);
  EXPECT_EQ(at(*w, 150, 150).a, 0.0f);
  // Half resolution puts it at half the coordinates.
  RenderSettings half;
  half.downsample = 2;
  const OwnedWorld h = render("Outer", 0, half);
  EXPECT_EQ(h->width(), 100);
  EXPECT_GT(at(*h, 67, 70).a, 0.9f);
  EXPECT_EQ(at(*h, 75, 75).a, 0.0f);
}

TEST_F(HostRender, AnEffectChecksOutItsInputAndAnotherLayerThroughTheProtocol) {
  const fs::path trace = fs::temp_directory_path() / "plenorium_probe_trace.jsonl";
  core.setTrace(TraceWriter(trace.string()));
  open(probeProject({{"Amount", 50}, {"Other", "B"}}));
  {
    const OwnedWorld w = render("Main", 3);
    const Color4 c = at(*w, 10, 10);
    EXPECT_NEAR(c.r, 128.0f / 255, 1.5f / 255) << "blue at opacity 127 over red";
    EXPECT_NEAR(c.b, 127.0f / 255, 1.5f / 255);
    EXPECT_EQ(c.a, 1.0f);
  }
  const auto report = outstanding();
  EXPECT_TRUE(report.empty()) << report.front();

  std::ifstream in(trace);
  bool otherAhead = false, unimplementedTraced = false, foreignTraced = false;
  for (std::string line; std::getline(in, line);) {
    const json j = json::parse(line);
    if (j["call"] == "checkout_layer" && j["id"] == 7)
      otherAhead = j["time"] == 4 && j["cmd"] == PF_Cmd_SMART_PRE_RENDER;
    if (j["call"] == "AEGP_GetActiveLayer") {
      unimplementedTraced =
          j.value("unimplemented", false) && j["result"] == A_Err_GENERIC && j["cmd"] == PF_Cmd_SMART_RENDER;
    }
    if (j["call"] == "AEGP_GetLayerID" && j.value("invalidHandle", false))
      foreignTraced = j["result"] == A_Err_PARAMETER;
  }
  EXPECT_TRUE(otherAhead) << "the other layer is requested one frame ahead in pre-render";
  EXPECT_TRUE(unimplementedTraced) << "a slot the host does not implement answers with an error and is traced";
  EXPECT_TRUE(foreignTraced) << "a handle the host never gave out is refused and traced";
  fs::remove(trace);
}

TEST_F(HostRender, ALayersPictureIsKeptFromItsSecondRequestOn) {
  // A picture asked for once (a video frame of a render going forward) is not kept; asked for
  // again, it is, and later requests get the kept one.
  open(probeProject(json::object()));
  const Layer& blue = *project->compByName("Main")->layerByName("B");
  const SharedWorld first = session->renderLayerPixels(blue, 0.0, RenderSettings{});
  const SharedWorld second = session->renderLayerPixels(blue, 0.0, RenderSettings{});
  const SharedWorld third = session->renderLayerPixels(blue, 0.0, RenderSettings{});
  EXPECT_NE(first->get(), second->get());
  EXPECT_EQ(second->get(), third->get());
  EXPECT_EQ(at(**third, 5, 5).b, 1.0f);
}

TEST_F(HostRender, WhatAnEffectLeavesCheckedOutIsReported) {
  open(probeProject({{"Other", "B"}, {"Leak", true}}));
  render("Main");
  const auto report = outstanding();
  ASSERT_EQ(report.size(), 1u);
  EXPECT_EQ(report[0], "layer checkout: 1 taken, 0 given back");
}

TEST_F(HostRender, AnEffectErrorNamesFrameLayerEffectAndCode) {
  // Two layers whose effects take each other as sources: neither can be rendered first.
  json cycle = probeProject({{"Other", "B"}});
  cycle["items"][2]["layers"][1]["effects"] = {{{"matchName", "TEST_Probe"}, {"params", {{"Other", "P"}}}}};
  open(cycle);
  try {
    render("Main", 5);
    FAIL() << "the render succeeded";
  } catch (const HostError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("frame 5 of 'Main'"), std::string::npos) << message;
    EXPECT_NE(message.find("layer 'P'"), std::string::npos) << message;
    EXPECT_NE(message.find("TEST_Probe"), std::string::npos) << message;
    EXPECT_NE(message.find("error 517"), std::string::npos) << message;
    EXPECT_NE(message.find("its sources lead back to it"), std::string::npos) << "the host's reason: " << message;
  }
}

TEST_F(HostRender, TheProjectSuitesFindLayersKeepExpressionsAndRecordUndoGroups) {
  open(probeProject(json::object()));
  Layer& layer = *project->compByName("Main")->layers[0];
  EffectContext context = session->contextFor(layer, 0);
  PF_InData in = context.driver->inDataFor(context);
  CallScope scope(core, PF_Cmd_UPDATE_PARAMS_UI, in.effect_ref);
  auto acquire = [&](const char* name, int version) {
    const void* s = nullptr;
    EXPECT_EQ(core.basicSuite()->AcquireSuite(name, version, &s), kSPNoError) << name;
    return s;
  };
  const auto* pfi = static_cast<const AEGP_PFInterfaceSuite1*>(acquire(kAEGPPFInterfaceSuite, 1));
  const auto* layers = static_cast<const AEGP_LayerSuite7*>(acquire(kAEGPLayerSuite, 13));
  const auto* streams = static_cast<const AEGP_StreamSuite2*>(acquire(kAEGPStreamSuite, 7));
  const auto* effects = static_cast<const AEGP_EffectSuite3*>(acquire(kAEGPEffectSuite, 3));
  const auto* utility = static_cast<const AEGP_UtilitySuite5*>(acquire(kAEGPUtilitySuite, 11));

  AEGP_LayerH own = nullptr;
  AEGP_CompH comp = nullptr;
  A_long count = 0;
  ASSERT_EQ(pfi->AEGP_GetEffectLayer(in.effect_ref, &own), A_Err_NONE);
  ASSERT_EQ(layers->AEGP_GetLayerParentComp(own, &comp), A_Err_NONE);
  ASSERT_EQ(layers->AEGP_GetCompNumLayers(comp, &count), A_Err_NONE);
  EXPECT_EQ(count, 2);
  AEGP_LayerH second = nullptr, byId = nullptr;
  AEGP_LayerIDVal id = 0;
  ASSERT_EQ(layers->AEGP_GetCompLayerByIndex(comp, 1, &second), A_Err_NONE);
  ASSERT_EQ(layers->AEGP_GetLayerID(second, &id), A_Err_NONE);
  ASSERT_EQ(layers->AEGP_GetLayerFromLayerID(comp, id, &byId), A_Err_NONE);
  EXPECT_EQ(byId, second);
  EXPECT_NE(layers->AEGP_GetCompLayerByIndex(comp, 2, &second), A_Err_NONE);

  AEGP_EffectRefH effect = nullptr;
  AEGP_StreamRefH stream = nullptr;
  AEGP_MemHandle text = nullptr;
  ASSERT_EQ(pfi->AEGP_GetNewEffectForEffect(0, in.effect_ref, &effect), A_Err_NONE);
  ASSERT_EQ(streams->AEGP_GetNewEffectStreamByIndex(0, effect, 1, &stream), A_Err_NONE);
  ASSERT_EQ(streams->AEGP_GetExpression(0, stream, &text), A_Err_NONE);
  EXPECT_EQ(text, nullptr) << "no expression: no handle";
  const char* expression = "try {\tthisComp.numLayers;\t} catch(err) { 0; }";
  ASSERT_EQ(streams->AEGP_SetExpression(0, stream, expression), A_Err_NONE);
  ASSERT_EQ(streams->AEGP_GetExpression(0, stream, &text), A_Err_NONE);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(static_cast<const char*>(*reinterpret_cast<void**>(text)), expression);
  core.memHandles().dispose(reinterpret_cast<void**>(text));
  streams->AEGP_DisposeStream(stream);
  effects->AEGP_DisposeEffect(effect);
  EXPECT_NE(effects->AEGP_DisposeEffect(effect), A_Err_NONE) << "a stale handle is refused";

  // A value record filled twice but disposed of once leaves one value unaccounted for.
  const std::int64_t valuesBefore = core.accounting().balance("stream value").outstanding();
  ASSERT_EQ(pfi->AEGP_GetNewEffectForEffect(0, in.effect_ref, &effect), A_Err_NONE);
  ASSERT_EQ(streams->AEGP_GetNewEffectStreamByIndex(0, effect, 1, &stream), A_Err_NONE);
  AEGP_StreamValue value{};
  const A_Time zero{0, 1};
  ASSERT_EQ(streams->AEGP_GetNewStreamValue(0, stream, AEGP_LTimeMode_LayerTime, &zero, false, &value), A_Err_NONE);
  ASSERT_EQ(streams->AEGP_GetNewStreamValue(0, stream, AEGP_LTimeMode_LayerTime, &zero, false, &value), A_Err_NONE);
  EXPECT_EQ(streams->AEGP_DisposeStreamValue(&value), A_Err_NONE);
  EXPECT_NE(streams->AEGP_DisposeStreamValue(&value), A_Err_NONE) << "no longer live";
  EXPECT_EQ(core.accounting().balance("stream value").outstanding(), valuesBefore + 1);
  streams->AEGP_DisposeStream(stream);
  effects->AEGP_DisposeEffect(effect);

  ASSERT_EQ(utility->AEGP_StartUndoGroup(""), A_Err_NONE);
  ASSERT_EQ(utility->AEGP_EndUndoGroup(), A_Err_NONE);
  ASSERT_EQ(core.undoGroups().size(), 1u);
  EXPECT_TRUE(core.undoGroups()[0].closed);
  EXPECT_EQ(layer.effects[0]->params[1].expression(), expression);

  for (const auto& [name, version] : std::vector<std::pair<const char*, int>>{{kAEGPPFInterfaceSuite, 1},
                                                                              {kAEGPLayerSuite, 13},
                                                                              {kAEGPStreamSuite, 7},
                                                                              {kAEGPEffectSuite, 3},
                                                                              {kAEGPUtilitySuite, 11}}) {
    core.basicSuite()->ReleaseSuite(name, version);
  }
}

TEST_F(HostRender, TheWallEffectRendersAndGivesEverythingBack) {
  open({{"items",
         {{{"name", "bars"}, {"type", "pattern"}, {"pattern", "bars"}, {"width", 320}, {"height", 180}},
          {{"name", "Main"},
           {"type", "comp"},
           {"width", 320},
           {"height", 180},
           {"layers",
            {{{"name", "Wall"},
              {"source", "bars"},
              {"effects", {{{"matchName", "KTRM_Plenorium"}, {"params", {{"Columns", 3}}}}}}}}}}}}});
  for (PixelDepth depth : {PixelDepth::U8, PixelDepth::U16, PixelDepth::F32}) {
    RenderSettings settings;
    settings.depth = depth;
    EXPECT_NO_THROW(render("Main", 0, settings));
  }
  const auto report = outstanding();
  EXPECT_TRUE(report.empty()) << report.front();
}

}  // namespace
}  // namespace plenorium::host
