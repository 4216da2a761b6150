// The controls the real module declares, checked entry by entry against the published list.
#include <set>
#include <string>

#include "effect_fixture.h"
#include "host_error.h"

namespace plenorium::test {
namespace {

enum Kind { GROUP, END, SLIDER, POPUP, LAYER, POINT, ANGLE, CHECKBOX };

struct Row {
  int index;
  const char* path;  // group path of the control; "" for group ends
  Kind kind;
  int diskId;  // -1: chosen by us, must be free
  double dflt = 0, validMin = 0, validMax = 0, sliderMin = 0, sliderMax = 0;
  int precision = 0;
  bool percent = false;
  bool collapsed = false;
};

Row g(int i, const char* path, int id, bool collapsed = false) {
  return {i, path, GROUP, id, 0, 0, 0, 0, 0, 0, false, collapsed};
}
Row e(int i, int id) {
  return {i, "", END, id};
}
Row s(int i, const char* path, int id, double d, double vmin, double vmax, double smin, double smax, int prec,
      bool percent = false) {
  return {i, path, SLIDER, id, d, vmin, vmax, smin, smax, prec, percent, false};
}
Row k(int i, const char* path, Kind kind, int id) {
  return {i, path, kind, id};
}

const std::vector<Row>& expectedRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r = {
        g(1, "Sources", 37),
        k(2, "Sources/Layer selection method", POPUP, 38),
        g(3, "Sources/Layers", 39),
    };
    static std::vector<std::string> sourcePaths;
    for (int n = 1; n <= 20; ++n) sourcePaths.push_back("Sources/Layers/Source " + std::to_string(n));
    for (int n = 1; n <= 20; ++n)
      r.push_back(k(3 + n, sourcePaths[static_cast<std::size_t>(n - 1)].c_str(), LAYER, 39 + n));
    const std::vector<Row> rest = {
        e(24, 60),
        e(25, 61),
        s(26, "Columns", 1, 5, 1, 100, 1, 100, 0),
        s(27, "Rows", 2, 4, 1, 100, 1, 100, 0),
        k(28, "Wall position", POINT, 3),
        s(29, "Global Scale", 4, 100, 0, 1000000, 0, 500, 2),
        g(30, "Grid Settings", 5, true),
        s(31, "Grid Settings/Screen Width", 6, 160, 0, 1920, 0, 1920, 0),
        s(32, "Grid Settings/Screen Height", 7, 90, 0, 1080, 0, 1080, 0),
        s(33, "Grid Settings/Gap X", 8, 0, 0, 100, 0, 100, 0),
        s(34, "Grid Settings/Gap Y", 9, 0, 0, 100, 0, 100, 0),
        k(35, "Grid Settings/Align Horizontal", POPUP, 10),
        k(36, "Grid Settings/Align Vertical", POPUP, 11),
        g(37, "Grid Settings/Randomize", 12, true),
        k(38, "Grid Settings/Randomize/Source order", CHECKBOX, 13),
        s(39, "Grid Settings/Randomize/Source time", 14, 0, 0, 1000, 0, 10, 2),
        s(40, "Grid Settings/Randomize/Order & Size Random seed", 76, 0, 0, 1000000, 0, 100, 0),
        e(41, 15),
        e(42, 16),
        g(43, "Screens Transform", 17, true),
        g(44, "Screens Transform/Controls", 21),
        g(45, "Screens Transform/Controls/Scale", 22, true),
        s(46, "Screens Transform/Controls/Scale/Scale X", 23, 100, 0, 1000000, 0, 100, 2),
        s(47, "Screens Transform/Controls/Scale/Scale Y", 24, 100, 0, 1000000, 0, 100, 2),
        e(48, 25),
        g(49, "Screens Transform/Controls/Rotation", 26, true),
        k(50, "Screens Transform/Controls/Rotation/X", ANGLE, 27),
        s(51, "Screens Transform/Controls/Rotation/X randomize", 28, 0, -100, 100, -100, 100, 2, true),
        k(52, "Screens Transform/Controls/Rotation/Y", ANGLE, 29),
        s(53, "Screens Transform/Controls/Rotation/Y randomize", 30, 0, -100, 100, -100, 100, 2, true),
        k(54, "Screens Transform/Controls/Rotation/Z", ANGLE, 31),
        s(55, "Screens Transform/Controls/Rotation/Z randomize", 32, 0, -100, 100, -100, 100, 2, true),
        e(56, 33),
        s(57, "Screens Transform/Controls/Opacity", 34, 100, 0, 100, 0, 100, 2, true),
        e(58, 35),
        s(59, "Screens Transform/Master Control", -1, 100, 0, 100, 0, 100, 1, true),
        s(60, "Screens Transform/Per screen time offset", 20, 0, 0, 1000, 0, 3, 2),
        s(61, "Screens Transform/Transform Random seed", -1, 0, 0, 1000000, 0, 100, 0),
        e(62, 36),
        g(63, "TV Frame", 62, true),
        k(64, "TV Frame/Frame image", POPUP, 63),
        k(65, "TV Frame/Frame layer", LAYER, 64),
        g(66, "TV Frame/Fit in frame", 65),
        s(67, "TV Frame/Fit in frame/Offset X", 66, 0, -100, 100, -100, 100, 0, true),
        s(68, "TV Frame/Fit in frame/Offset Y", 67, 0, -100, 100, -100, 100, 0, true),
        s(69, "TV Frame/Fit in frame/Scale X", 68, 100, 0, 100, 0, 100, 0, true),
        s(70, "TV Frame/Fit in frame/Scale Y", 69, 100, 0, 100, 0, 100, 0, true),
        e(71, 70),
        e(72, 71),
        s(73, "epxression dummy", 75, 0, 0, 1000000, 0, 100, 0),
    };
    r.insert(r.end(), rest.begin(), rest.end());
    return r;
  }();
  return rows;
}

PF_ParamType typeOf(Kind kind) {
  switch (kind) {
    case GROUP: return PF_Param_GROUP_START;
    case END: return PF_Param_GROUP_END;
    case SLIDER: return PF_Param_FLOAT_SLIDER;
    case POPUP: return PF_Param_POPUP;
    case LAYER: return PF_Param_LAYER;
    case POINT: return PF_Param_POINT;
    case ANGLE: return PF_Param_ANGLE;
    case CHECKBOX: return PF_Param_CHECKBOX;
  }
  return PF_Param_RESERVED;
}

class ParamSet : public EffectFixture {
 protected:
  void SetUp() override { driver->globalSetup(); }
};

TEST_F(ParamSet, DeclaresTheSeventyThreeControlsEntryByEntry) {
  const host::ParamSchema& schema = driver->setupParameters();
  ASSERT_EQ(schema.count(), 74);
  ASSERT_EQ(expectedRows().size(), 73u);
  std::set<int> diskIds;
  for (const Row& row : expectedRows()) {
    const host::DeclaredParam& p = schema.at(row.index);
    const PF_ParamDef& d = p.def;
    SCOPED_TRACE("index " + std::to_string(row.index) + " " + p.name);
    EXPECT_EQ(d.param_type, typeOf(row.kind));
    EXPECT_EQ(p.path, row.path);
    if (row.diskId > 0) {
      EXPECT_EQ(d.uu.id, row.diskId);
    }
    EXPECT_GT(d.uu.id, 0);
    EXPECT_TRUE(diskIds.insert(d.uu.id).second) << "disk id " << d.uu.id << " used twice";
    EXPECT_EQ(d.ui_flags, 0);
    EXPECT_EQ(d.ui_width, 0);
    EXPECT_EQ(d.ui_height, 0);
    const PF_ParamFlags expectedFlags = (row.collapsed ? PF_ParamFlag_START_COLLAPSED : 0) |
                                        (row.index == 2 ? PF_ParamFlag_CANNOT_TIME_VARY | PF_ParamFlag_SUPERVISE : 0) |
                                        (row.index == 64 ? PF_ParamFlag_SUPERVISE : 0);
    EXPECT_EQ(d.flags, expectedFlags);
    if (row.kind == END) {
      EXPECT_EQ(p.name, "");
    }
    if (row.kind == SLIDER) {
      const PF_FloatSliderDef& fs = d.u.fs_d;
      EXPECT_EQ(fs.value, row.dflt);
      EXPECT_EQ(fs.dephault, static_cast<float>(row.dflt));
      EXPECT_EQ(fs.valid_min, static_cast<float>(row.validMin));
      EXPECT_EQ(fs.valid_max, static_cast<float>(row.validMax));
      EXPECT_EQ(fs.slider_min, static_cast<float>(row.sliderMin));
      EXPECT_EQ(fs.slider_max, static_cast<float>(row.sliderMax));
      EXPECT_EQ(fs.precision, row.precision);
      EXPECT_EQ(fs.display_flags, row.percent ? PF_ValueDisplayFlag_PERCENT : 0);
      EXPECT_FLOAT_EQ(fs.curve_tolerance, 0.05f);
      EXPECT_EQ(fs.fs_flags, 0);
      EXPECT_EQ(fs.phase, 0.0);
    }
    if (row.kind == LAYER) {
      EXPECT_EQ(d.u.ld.dephault, PF_LayerDefault_NONE);
    }
    if (row.kind == ANGLE) {
      EXPECT_EQ(d.u.ad.value, 0);
      EXPECT_EQ(d.u.ad.dephault, 0);
    }
    if (row.kind == POINT) {
      EXPECT_EQ(d.u.td.x_dephault, 50 << 16);
      EXPECT_EQ(d.u.td.y_dephault, 50 << 16);
      EXPECT_EQ(d.u.td.x_value, 50 << 16);
      EXPECT_EQ(d.u.td.restrict_bounds, 0);
    }
    if (row.kind == CHECKBOX) {
      EXPECT_EQ(d.u.bd.value, 0);
      EXPECT_EQ(d.u.bd.dephault, 0);
    }
  }
}

TEST_F(ParamSet, PopupsOfferTheirExactChoices) {
  const host::ParamSchema& schema = driver->setupParameters();
  struct Popup {
    int index;
    const char* choices;
    int count;
    int dflt;
  };
  for (const Popup& popup :
       {Popup{2, "Manual|Automatic|Inner Comp", 3, 1}, Popup{35, "Left|Center|Right", 3, 2},
        Popup{36, "Top|Center|Bottom", 3, 2},
        Popup{64, "None|Flat 1|Flat 2|Flat 3|Flat 4|Flat 5|Flat 6|Flat 7|Flat 8|Retro|Custom", 11, 1}}) {
    const host::DeclaredParam& p = schema.at(popup.index);
    EXPECT_EQ(p.choices, popup.choices);
    EXPECT_EQ(p.def.u.pd.num_choices, popup.count);
    EXPECT_EQ(p.def.u.pd.dephault, popup.dflt);
    EXPECT_EQ(p.def.u.pd.value, popup.dflt);
  }
}

TEST_F(ParamSet, AnAddParamErrorStopsSetUpWithThatErrorAndNoCount) {
  driver->failAddParamAt(30, PF_Err_OUT_OF_MEMORY);
  PF_OutData out{};
  out.num_params = -7;
  EXPECT_EQ(send(PF_Cmd_PARAMS_SETUP, out), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(out.num_params, -7);
  EXPECT_EQ(driver->schema().count(), 30) << "nothing is added after the failing control";
}

TEST_F(ParamSet, ControlsResolveByNameOrTheEndOfTheirGroupPath) {
  const host::ParamSchema& schema = driver->setupParameters();
  EXPECT_EQ(schema.resolve("Columns"), 26);
  EXPECT_EQ(schema.resolve("Fit in frame/Scale X"), 69);
  EXPECT_EQ(schema.resolve("TV Frame/Fit in frame/Scale X"), 69);
  EXPECT_EQ(schema.resolve("Scale/Scale X"), 46);
  EXPECT_EQ(schema.resolve("Screens Transform/Controls/Rotation/Z"), 54);
  EXPECT_EQ(schema.resolve("Source 20"), 23);
  EXPECT_EQ(schema.resolve("Randomize"), 37);

  try {
    schema.resolve("Scale X");
    FAIL() << "an ambiguous name resolved";
  } catch (const host::HostError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("Screens Transform/Controls/Scale/Scale X"), std::string::npos) << message;
    EXPECT_NE(message.find("TV Frame/Fit in frame/Scale X"), std::string::npos) << message;
  }
  // Whole names only: a partial group name does not match.
  EXPECT_THROW(schema.resolve("it in frame/Scale X"), host::HostError);
  EXPECT_THROW(schema.resolve("Colums"), host::HostError);
  EXPECT_THROW(schema.resolve(""), host::HostError);
}

}  // namespace
}  // namespace plenorium::test
