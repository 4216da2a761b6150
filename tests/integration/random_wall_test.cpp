// Walls with random values for every control: out of range, negative, huge, and through
// expressions not numbers at all, with every selection method and frame choice. Each must render
// without a crash and give back everything it took. The seed is printed; PLENORIUM_RANDOM_SEED=N
// repeats a run, PLENORIUM_RANDOM_WALLS=N sets how many walls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "effect_registry.h"
#include "host_error.h"
#include "pixel_host.h"
#include "project_file.h"
#include "render_session.h"

namespace plenorium::test {
namespace {

using json = nlohmann::json;

unsigned long envNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoul(text, nullptr, 10) : fallback;
}

class RandomWalls {
 public:
  RandomWalls(const host::ParamSchema& schema, unsigned long seed) : schema_(schema), random_(seed) {}

  json project() {
    json layers = json::array();
    layers.push_back(wall());
    for (int i = 0; i < 3; ++i) {
      json layer = {{"name", "L" + std::to_string(i)}, {"source", "s" + std::to_string(i)}};
      if (chance(0.5)) layer["visible"] = false;
      if (chance(0.2)) layer["startTime"] = uniform(-2, 2);
      layers.push_back(layer);
    }
    json items = json::array();
    for (int i = 0; i < 3; ++i) {
      items.push_back({{"name", "s" + std::to_string(i)},
                       {"type", chance(0.5) ? "solid" : "pattern"},
                       {"width", 8 + whole(0, 90)},
                       {"height", 8 + whole(0, 60)}});
      if (items.back()["type"] == "solid") {
        items.back()["color"] = {uniform(0, 1), uniform(0, 1), uniform(0, 1), uniform(0, 1)};
      } else {
        items.back()["duration"] = 2;
      }
    }
    // What "Inner Comp" finds: the wall's own source is a composition with layers of its own.
    items.push_back({{"name", "Inner"},
                     {"type", "comp"},
                     {"width", 96},
                     {"height", 54},
                     {"duration", 2},
                     {"layers", {{{"name", "I0"}, {"source", "s0"}}, {{"name", "I1"}, {"source", "s1"}}}}});
    items.push_back({{"name", "Main"},
                     {"type", "comp"},
                     {"width", 96 + whole(0, 64)},
                     {"height", 54 + whole(0, 36)},
                     {"duration", 2},
                     {"layers", layers}});
    return {{"items", items}};
  }

  host::RenderSettings settings() {
    host::RenderSettings s;
    s.depth = static_cast<host::PixelDepth>(whole(1, 3));
    s.downsample = whole(1, 4);
    return s;
  }
  long frame() { return whole(0, 49); }

 private:
  json wall() {
    json params = json::object();
    for (const host::DeclaredParam& p : schema_.params()) {
      if (p.index == 0 || p.path.empty() || !chance(0.6)) continue;
      const json value = valueFor(p);
      if (!value.is_null() || p.def.param_type == PF_Param_LAYER) params["/" + p.path] = value;
    }
    return {{"name", "Wall"},
            {"source", chance(0.5) ? "Inner" : "s2"},
            {"effects", {{{"matchName", "KTRM_Plenorium"}, {"params", params}}}}};
  }

  json valueFor(const host::DeclaredParam& p) {
    const PF_ParamDef& d = p.def;
    // Large grids are rendered elsewhere; here a grid stays small so that many walls fit in a run,
    // but it may be zero or negative.
    if (p.name == "Columns" || p.name == "Rows") return whole(-3, 12);
    switch (d.param_type) {
      case PF_Param_FLOAT_SLIDER: return animated(number(d.u.fs_d.valid_min, d.u.fs_d.valid_max));
      case PF_Param_SLIDER: return animated(number(d.u.sd.valid_min, d.u.sd.valid_max));
      case PF_Param_ANGLE: return animated(number(-720, 720));
      case PF_Param_POINT: return json::array({uniform(-2000, 2000), uniform(-2000, 2000)});
      case PF_Param_CHECKBOX: return chance(0.5);
      case PF_Param_POPUP: return whole(1, std::count(p.choices.begin(), p.choices.end(), '|') + 1);
      case PF_Param_LAYER: {
        const int pick = whole(0, 5);
        if (pick == 5) return json();
        return pick == 4 ? json("Wall") : json("L" + std::to_string(pick % 3));
      }
      default: return json();
    }
  }

  // A number in the control's range most of the time; else outside it, huge, or through an
  // expression something that is not a number at all.
  json number(double low, double high) {
    const double r = uniform(0, 1);
    if (r < 0.6) return uniform(low, high);
    if (r < 0.75) return uniform(low - (high - low) - 10, high + (high - low) + 10);
    if (r < 0.85) return chance(0.5) ? 1e12 : -1e12;
    static const char* odd[] = {"NaN", "1/0", "-1/0", "1e308*10", "Math.sqrt(-1)", "time * 1e9"};
    return json{{"value", uniform(low, high)}, {"expression", odd[whole(0, 5)]}};
  }

  json animated(json value) {
    if (!chance(0.2) || !value.is_number()) return value;
    return json{{"keyframes", {{uniform(-1, 0.5), value}, {uniform(0.5, 3), uniform(-1000, 1000)}}}};
  }

  bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
  int whole(long low, long high) { return static_cast<int>(std::uniform_int_distribution<long>(low, high)(random_)); }

  const host::ParamSchema& schema_;
  std::mt19937_64 random_;
};

TEST(RandomWalls, EveryWallRendersAndGivesBackWhatItTook) {
  const unsigned long seed = envNumber("PLENORIUM_RANDOM_SEED", 20261209);
  const unsigned long walls = envNumber("PLENORIUM_RANDOM_WALLS", 120);
  std::cout << "random walls: seed " << seed << ", " << walls << " walls (PLENORIUM_RANDOM_SEED=" << seed
            << " repeats this run)\n";
  host::HostCore core;
  host::PixelHost pixels(core, 2);
  host::EffectRegistry registry(core);
  registry.load(PLENORIUM_MODULE_PATH);
  const host::ParamSchema* schema = registry.schemaLookup()("KTRM_Plenorium");
  ASSERT_NE(schema, nullptr);
  const auto baseline = core.accounting().balances();

  RandomWalls random(*schema, seed);
  for (unsigned long n = 0; n < walls; ++n) {
    const json doc = random.project();
    SCOPED_TRACE("wall " + std::to_string(n) + " of seed " + std::to_string(seed) + ": " + doc.dump());
    host::Project project = host::parseProject(doc, "random.json", "/tmp", registry.schemaLookup());
    {
      host::RenderSession session(core, pixels, registry, project);
      session.startInstances();
      for (int k = 0; k < 2; ++k) {
        try {
          session.renderFrame(*project.compByName("Main"), random.frame(), random.settings());
        } catch (const host::HostError& e) {
          // An effect may refuse a project (sources that lead back to their layer); it must say so cleanly.
          EXPECT_NE(std::string(e.what()).find("error"), std::string::npos) << e.what();
        }
      }
    }
    for (const auto& [kind, balance] : core.accounting().balances()) {
      const auto before = baseline.find(kind);
      const std::int64_t held = before != baseline.end() ? before->second.outstanding() : 0;
      ASSERT_EQ(balance.outstanding(), held) << kind << " not given back";
    }
  }
}

}  // namespace
}  // namespace plenorium::test
