// The controls the wall effect shows and hides, and the expression it installs, as the host sees
// them after loading a project and after changes.
#include "ui_upkeep.h"

#include <set>

#include "wall_fixture.h"

namespace plenorium::test {
namespace {

constexpr int LAYERS_GROUP = 3, FRAME_LAYER = 65, DUMMY = 73, METHOD = 2, FRAME_IMAGE = 64;

class UiUpkeep : public WallFixture {
 protected:
  host::Layer& wall() { return *project->compByName("Main")->layerByName("Wall"); }
  host::EffectInstance& effect() { return *wall().effects[0]; }
  bool hidden(int index) { return effect().params[static_cast<std::size_t>(index)].hidden(); }
  std::size_t writes() {
    std::size_t n = 0;
    for (const json& j : trace()) {
      if (j["call"] == "AEGP_SetDynamicStreamFlag" || j["call"] == "AEGP_SetExpression") ++n;
    }
    return n;
  }
  void expectOnlyTheseHidden(const std::set<int>& expected) {
    for (std::size_t i = 1; i < effect().params.size(); ++i) {
      EXPECT_EQ(hidden(static_cast<int>(i)), expected.count(static_cast<int>(i)) != 0) << "control " << i;
    }
  }
};

TEST_F(UiUpkeep, AfterLoadingTheHelperIsHiddenWithTheExactExpressionAndManualShowsItsSources) {
  open(projectWith(wallLayer(json::object())));
  const std::string expected = layerCountExpression();
  EXPECT_EQ(expected.size(), 171u);
  EXPECT_EQ(effect().params[DUMMY].expression(), expected);
  EXPECT_NE(expected.find("case 2:\t\t\tthisComp.numLayers;"), std::string::npos);
  expectOnlyTheseHidden({DUMMY, FRAME_LAYER});

  // A second upkeep with nothing changed writes nothing.
  const std::size_t before = writes();
  ASSERT_EQ(session->updateParamsUi(wall(), 0), PF_Err_NONE);
  EXPECT_EQ(writes(), before);
}

TEST_F(UiUpkeep, AnEditedExpressionIsPutBack) {
  open(projectWith(wallLayer(json::object())));
  effect().params[DUMMY].setExpression("1 + 1");
  session->updateParamsUi(wall(), 0);
  EXPECT_EQ(effect().params[DUMMY].expression(), layerCountExpression());
  effect().params[DUMMY].setExpression("");
  session->updateParamsUi(wall(), 0);
  EXPECT_EQ(effect().params[DUMMY].expression(), layerCountExpression());
}

TEST_F(UiUpkeep, TheMethodAndTheFrameChoiceDecideWhatShows) {
  open(projectWith(wallLayer(json::object())));
  std::set<int> sources = {LAYERS_GROUP};
  for (int p = 4; p <= 23; ++p) sources.insert(p);

  session->changeParam(wall(), 0, METHOD, {2, 0});  // Automatic
  std::set<int> expected = sources;
  expected.insert({DUMMY, FRAME_LAYER});
  expectOnlyTheseHidden(expected);
  session->changeParam(wall(), 0, METHOD, {3, 0});  // Inner Comp
  expectOnlyTheseHidden(expected);
  session->changeParam(wall(), 0, FRAME_IMAGE, {11, 0});  // Custom
  expected.erase(FRAME_LAYER);
  expectOnlyTheseHidden(expected);
  session->changeParam(wall(), 0, METHOD, {1, 0});  // Manual
  expectOnlyTheseHidden({DUMMY});
  session->changeParam(wall(), 0, FRAME_IMAGE, {10, 0});  // Retro
  expectOnlyTheseHidden({DUMMY, FRAME_LAYER});
}

TEST_F(UiUpkeep, OnlyTheSelectionMethodRunsTheUpkeepThroughAChangedControl) {
  open(projectWith(wallLayer(json::object())));
  std::size_t changed = 0, updates = 0;
  session->changeParam(wall(), 0, 26, {3, 0});  // Columns: not supervised
  for (const json& j : trace()) {
    if (j["cmd"] == PF_Cmd_USER_CHANGED_PARAM) ++changed;
  }
  EXPECT_EQ(changed, 0u);
  session->changeParam(wall(), 0, METHOD, {2, 0});
  for (const json& j : trace()) {
    if (j["cmd"] == PF_Cmd_USER_CHANGED_PARAM && j["call"] == "AEGP_SetDynamicStreamFlag") ++updates;
  }
  EXPECT_EQ(updates, 21u) << "the group and twenty sources are hidden by the changed-control command itself";
}

}  // namespace
}  // namespace plenorium::test
