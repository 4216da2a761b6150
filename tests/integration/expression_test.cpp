// Expressions on the wall effect's controls and on layer transforms, evaluated by the host.
#include "wall_fixture.h"

namespace plenorium::test {
namespace {

constexpr int METHOD = 2, COLUMNS = 26, DUMMY = 73;

class Expressions : public WallFixture {
 protected:
  host::Layer& wall() { return *project->compByName("Main")->layerByName("Wall"); }
  host::EffectInstance& effect() { return *wall().effects[0]; }
  double valueOf(int index, double time = 0) {
    return session->streamValue(wall(), &effect(), index, effect().params[static_cast<std::size_t>(index)], time)[0];
  }
  double evaluate(const std::string& expression, double time = 0) {
    effect().params[COLUMNS].setExpression(expression);
    return valueOf(COLUMNS, time);
  }
  void openWall() {
    open(projectWith({wallLayer({{"Columns", 5}, {"Source 1", "Alpha"}}),
                      {{"name", "Alpha"}, {"source", "c0"}, {"visible", false}},
                      {{"name", "Beta"}, {"source", "c1"}, {"visible", false}}}));
  }
};

TEST_F(Expressions, TheInstalledExpressionFollowsTheLayerCountOnlyInAutomatic) {
  openWall();
  EXPECT_EQ(valueOf(DUMMY), 0.0) << "Manual";
  effect().params[METHOD].setConstant({2, 0});
  EXPECT_EQ(valueOf(DUMMY), 3.0) << "Automatic: the composition has three layers";
  effect().params[METHOD].setConstant({3, 0});
  EXPECT_EQ(valueOf(DUMMY), 0.0) << "Inner Comp";
}

TEST_F(Expressions, TheObjectsAndHelpersUsersExpectAreThere) {
  openWall();
  EXPECT_DOUBLE_EQ(evaluate("time * 2", 1.5), 3.0);
  EXPECT_EQ(evaluate("value + 1"), 6.0);
  EXPECT_EQ(evaluate("thisComp.numLayers"), 3.0);
  EXPECT_EQ(evaluate("thisComp.width + thisComp.height"), 1000.0);
  EXPECT_EQ(evaluate("thisComp.duration"), 4.0);
  EXPECT_DOUBLE_EQ(evaluate("thisComp.frameDuration"), 0.04);
  EXPECT_EQ(evaluate("thisComp.layer('Beta').index"), 3.0);
  EXPECT_EQ(evaluate("thisComp.layer(2).name == 'Alpha' ? 1 : 0"), 1.0);
  EXPECT_EQ(evaluate("thisLayer.index"), 1.0);
  EXPECT_EQ(evaluate("thisProperty.propertyGroup(1)(27).value"), 4.0) << "Rows, by index";
  EXPECT_EQ(evaluate("effect('Plenorium Maker')('Rows').value"), 4.0);
  EXPECT_EQ(evaluate("effect('KTRM_Plenorium')('Screen Width').value"), 160.0);
  EXPECT_EQ(evaluate("Math.max(2, 7)"), 7.0);
  EXPECT_EQ(evaluate("linear(0.5, 0, 1, 10, 20)"), 15.0);
  EXPECT_EQ(evaluate("linear(2, 0, 1, 10, 20)"), 20.0);
  EXPECT_EQ(evaluate("clamp(12, 0, 10)"), 10.0);

  const double r1 = evaluate("random()", 1.0);
  EXPECT_EQ(evaluate("random()", 1.0), r1) << "random is repeatable for the same property and time";
  EXPECT_GE(r1, 0.0);
  EXPECT_LT(r1, 1.0);
  const double w = evaluate("wiggle(2, 3)", 0.7);
  EXPECT_EQ(evaluate("wiggle(2, 3)", 0.7), w);
  EXPECT_NEAR(w, 5.0, 3.0);
  EXPECT_NE(evaluate("wiggle(2, 3)", 1.9), w);
}

TEST_F(Expressions, AnExpressionDrivingColumnsToAFractionGivesWholeColumns) {
  openWall();
  effect().params[COLUMNS].setExpression("2.9");
  host::RenderSettings settings;
  const host::OwnedWorld w = render(0, settings);
  // Two 160-pixel screens centred on the 640-pixel layer: the wall spans 160..480.
  EXPECT_GT(at(*w, 170, 160).a, 0.5f);
  EXPECT_GT(at(*w, 470, 160).a, 0.5f);
  EXPECT_EQ(at(*w, 150, 160).a, 0.0f);
  EXPECT_EQ(at(*w, 490, 160).a, 0.0f);
}

TEST_F(Expressions, AFailedExpressionIsSwitchedOffWithOneWarningUntilItChanges) {
  openWall();
  EXPECT_EQ(evaluate("this is not javascript ("), 5.0);
  EXPECT_EQ(evaluate("this is not javascript ("), 5.0);
  auto warnings = session->takeWarnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("layer 'Wall'"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("Columns"), std::string::npos) << warnings[0];

  // It fails at time 0 and would give 7 later, but once failed it is not run again.
  EXPECT_EQ(evaluate("if (time < 1) throw new Error('not yet'); 7", 0), 5.0);
  EXPECT_EQ(valueOf(COLUMNS, 2), 5.0) << "a failed expression stays switched off";
  EXPECT_EQ(session->takeWarnings().size(), 1u);
  EXPECT_EQ(evaluate("time < 1 ? 6 : 7", 2), 7.0) << "a changed expression runs again";

  EXPECT_EQ(evaluate("'text'"), 5.0);
  EXPECT_EQ(evaluate("1 / 0"), 5.0) << "an infinite result is refused";
  EXPECT_EQ(session->takeWarnings().size(), 2u) << "one warning for each expression that failed";
}

TEST_F(Expressions, RunawayLoopsPatternsAndAllocationsAreStoppedAndSaySo) {
  openWall();
  const struct {
    const char* code;
    const char* why;
  } runaway[] = {
      {"while (true) {}", "still running after"},
      // Backtracking without end inside the regular-expression matcher, where no script runs.
      {"/(a+)+$/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!') ? 1 : 2", "still running after"},
      {"'x'.repeat(2e9).length", "of memory"},
      {"new Uint8Array(1e9).fill(7).length", "of memory"},
      {"new Array(1e9).join('x').length", "still running after"},
      {"new Array(1e9).indexOf(3)", "still running after"},
  };
  for (const auto& r : runaway) {
    SCOPED_TRACE(r.code);
    EXPECT_EQ(evaluate(r.code), 5.0);
    const auto warnings = session->takeWarnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(r.why), std::string::npos) << warnings[0];
  }
  EXPECT_EQ(evaluate("'x'.repeat(1000).length"), 1000.0) << "the engine works after a refused allocation";
}

TEST_F(Expressions, LayerTransformsFollowTheirExpressions) {
  open(projectWith(
      {{{"name", "Dot"},
        {"source", "c1"},
        {"transform",
         {{"position", {{"value", {100, 100}}, {"expression", "[value[0] + 200, 90]"}}}, {"scale", {10, 10}}}}}}));
  const host::OwnedWorld w = render();
  EXPECT_EQ(colorAt(*w, 300, 90), 1);
  EXPECT_EQ(colorAt(*w, 100, 100), -1);
}

}  // namespace
}  // namespace plenorium::test
