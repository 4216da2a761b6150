#include "wall_fixture.h"

#include <unistd.h>

namespace plenorium::test {

WallFixture::WallFixture() {
  tracePath = std::filesystem::temp_directory_path() /
              ("plenorium_wall_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".jsonl");
  core.setTrace(host::TraceWriter(tracePath.string()));
  registry.load(PLENORIUM_MODULE_PATH);
  baseline = core.accounting().balances();
}

WallFixture::~WallFixture() {
  session.reset();
  std::filesystem::remove(tracePath);
}

json WallFixture::projectWith(const json& layers, const json& extraItems) {
  json items = json::array();
  for (std::size_t i = 0; i < testColors().size(); ++i) {
    const auto& c = testColors()[i];
    items.push_back({{"name", "c" + std::to_string(i)},
                     {"type", "solid"},
                     {"width", 320},
                     {"height", 180},
                     {"color", {c[0], c[1], c[2], c[3]}}});
  }
  items.push_back({{"name", "wallbase"}, {"type", "solid"}, {"width", 640}, {"height", 360}, {"color", {0, 0, 0, 0}}});
  for (const json& item : extraItems) items.push_back(item);
  // A braced list of one layer arrives as that layer, not as a list.
  const json list = layers.is_array() ? layers : json::array({layers});
  items.push_back({{"name", "Main"},
                   {"type", "comp"},
                   {"width", 640},
                   {"height", 360},
                   {"fps", 25},
                   {"duration", 4},
                   {"layers", list}});
  return {{"items", items}};
}

json WallFixture::wallLayer(const json& params, const std::string& source) {
  return {{"name", "Wall"}, {"source", source}, {"effects", {{{"matchName", "KTRM_Plenorium"}, {"params", params}}}}};
}

void WallFixture::open(const json& doc) {
  session.reset();
  project = std::make_unique<host::Project>(host::parseProject(doc, "test.json", "/tmp", registry.schemaLookup()));
  session = std::make_unique<host::RenderSession>(core, pixels, registry, *project);
  session->startInstances();
}

host::OwnedWorld WallFixture::render(long frame, host::RenderSettings settings) {
  return session->renderFrame(*project->compByName("Main"), frame, settings);
}

host::Color4 WallFixture::at(const host::World& w, A_long x, A_long y) const {
  using host::PixelDepth;
  return host::dispatchDepth(w.depth(),
                             [&]<PixelDepth D>() { return host::loadStraight<D>(host::pixelRow<D>(w, y)[x]); });
}

int WallFixture::colorAt(const host::World& w, A_long x, A_long y) const {
  const host::Color4 c = at(w, x, y);
  if (c.a < 0.5f) return -1;
  int best = -1;
  double bestDistance = 1e9;
  for (std::size_t i = 0; i < testColors().size(); ++i) {
    const auto& t = testColors()[i];
    const double d = std::abs(c.r - t[0]) + std::abs(c.g - t[1]) + std::abs(c.b - t[2]);
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

std::vector<json> WallFixture::trace() const {
  std::vector<json> lines;
  std::ifstream in(tracePath);
  for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
  return lines;
}

std::vector<std::string> WallFixture::outstanding() {
  session.reset();
  std::vector<std::string> lines;
  for (const auto& [kind, b] : core.accounting().balances()) {
    const auto before = baseline.count(kind) != 0 ? baseline.at(kind).outstanding() : 0;
    if (b.outstanding() != before)
      lines.push_back(kind + ": " + std::to_string(b.outstanding() - before) + " outstanding");
  }
  return lines;
}

}  // namespace plenorium::test
