// The wall's neutral case: one screen the size of the layer, with every control neutral, shows
// its source unchanged, at every depth and downsampling, however the size is reached.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "wall_fixture.h"

namespace plenorium::test {
namespace {

using NeutralWall = WallFixture;

// The largest difference of any channel between two pictures of the same size, 0..1.
double largestDifference(WallFixture& f, const host::World& a, const host::World& b) {
  EXPECT_EQ(a.width(), b.width());
  EXPECT_EQ(a.height(), b.height());
  double largest = 0;
  for (A_long y = 0; y < std::min(a.height(), b.height()); ++y) {
    for (A_long x = 0; x < std::min(a.width(), b.width()); ++x) {
      const host::Color4 p = f.at(a, x, y), q = f.at(b, x, y);
      for (const float d : {p.a - q.a, p.r - q.r, p.g - q.g, p.b - q.b}) {
        largest = std::max(largest, std::fabs(static_cast<double>(d)));
      }
    }
  }
  return largest;
}

TEST_F(NeutralWall, OneNeutralScreenTheSizeOfTheLayerReproducesItsSource) {
  const json pattern =
      json::array({{{"name", "pat"}, {"type", "pattern"}, {"width", 640}, {"height", 360}, {"duration", 4}}});
  // The same 640 × 360 screen reached two ways: at full size, and twice as large at half scale.
  const json ways[] = {{{"Screen Width", 640}, {"Screen Height", 360}},
                       {{"Screen Width", 1280}, {"Screen Height", 720}, {"Global Scale", 50}}};
  for (const json& size : ways) {
    json params = {{"Columns", 1}, {"Rows", 1}, {"Source 1", "P"}};
    params.update(size);
    open(projectWith({wallLayer(params), {{"name", "P"}, {"source", "pat"}, {"visible", false}}}, pattern));
    const host::Item& source = *project->itemByName("pat");
    for (const host::PixelDepth depth : {host::PixelDepth::U8, host::PixelDepth::U16, host::PixelDepth::F32}) {
      for (const int downsample : {1, 2}) {
        const host::RenderSettings settings{depth, downsample};
        const host::OwnedWorld wall = render(10, settings);
        const host::SharedWorld expected = session->renderItem(source, 10 / 25.0, settings);
        // A pixel's shift or a resampling blur on the pattern's edges is far above this.
        EXPECT_LE(largestDifference(*this, *wall, **expected), 1.0 / 255.0)
            << size.dump() << ", depth " << static_cast<int>(depth) << ", downsampling " << downsample;
      }
    }
  }
  const auto left = outstanding();
  EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
}  // namespace plenorium::test
