// The wall effect in a project, rendered by the host, with the trace of its calls at hand.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "effect_registry.h"
#include "pixel_host.h"
#include "pixel_types.h"
#include "project_file.h"
#include "render_session.h"

namespace plenorium::test {

using json = nlohmann::json;

// Solid colours the tests tell apart: red, green, blue, yellow, magenta, cyan.
inline const std::vector<std::array<double, 4>>& testColors() {
  static const std::vector<std::array<double, 4>> colors = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1},
                                                            {1, 1, 0, 1}, {1, 0, 1, 1}, {0, 1, 1, 1}};
  return colors;
}

class WallFixture : public ::testing::Test {
 public:
  WallFixture();
  ~WallFixture() override;

  // Items "c0".."c5" (solids of the test colours, 320 × 180) and "wallbase" (a 640 × 360
  // transparent solid); `layers` go into composition "Main" (640 × 360, 25 fps, 4 s).
  static json projectWith(const json& layers, const json& extraItems = json::array());
  // A layer carrying the wall effect with these controls.
  static json wallLayer(const json& params, const std::string& source = "wallbase");

  void open(const json& doc);
  host::OwnedWorld render(long frame = 0, host::RenderSettings settings = {});
  host::Color4 at(const host::World& w, A_long x, A_long y) const;
  // The index of the test colour nearest to the pixel, or -1 for a transparent pixel.
  int colorAt(const host::World& w, A_long x, A_long y) const;
  // Trace lines written so far.
  std::vector<json> trace() const;
  // What the session left out, beyond what the modules hold for their life.
  std::vector<std::string> outstanding();

  std::filesystem::path tracePath;
  host::HostCore core;
  host::PixelHost pixels{core, 2};
  host::EffectRegistry registry{core};
  std::unique_ptr<host::Project> project;
  std::unique_ptr<host::RenderSession> session;
  std::map<std::string, host::Balance> baseline;
};

}  // namespace plenorium::test
