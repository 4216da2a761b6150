#include "wall_plan.h"

#include <algorithm>
#include <cmath>

#include "host_error.h"

namespace plenorium::cli {
namespace {

// Shapes closer than this ratio are one shape: 1920x1080 and 1280x720 are, 854x480 (16:8.99) too.
constexpr double SAME_SHAPE = 0.005;
// The largest grid the wall command makes or takes.
constexpr int MOST_COLUMNS = 100;

// Screens of `aspect` as large as `columns` x `rows` of them and their gaps allow in the frame.
WallPlan sized(const WallShape& shape, int columns, int rows, double gap, double aspect) {
  WallPlan plan{columns, rows, 0, 0, gap};
  const double across = (shape.width - (columns - 1) * gap) / columns;
  const double down = (shape.height - (rows - 1) * gap) / rows;
  if (!(across >= 1 && down >= 1)) throw host::HostError("--gap: the gaps leave no room for the screens");
  plan.screenWidth = std::min(across, down * aspect);
  plan.screenHeight = plan.screenWidth / aspect;
  return plan;
}

}  // namespace

double WallPlan::background(int width, int height) const {
  const double covered = screens() * screenWidth * screenHeight;
  return 1 - covered / (static_cast<double>(width) * height);
}

double defaultGap(int width) {
  return std::max(1.0, std::round(width * 0.005));
}

double commonAspect(const std::vector<double>& clipAspects) {
  double best = clipAspects.empty() ? 16.0 / 9.0 : clipAspects.front();
  std::size_t bestCount = 0;
  for (const double aspect : clipAspects) {
    const auto count =
        static_cast<std::size_t>(std::count_if(clipAspects.begin(), clipAspects.end(), [&](double other) {
          return std::fabs(other / aspect - 1) <= SAME_SHAPE;
        }));
    if (count > bestCount) best = aspect, bestCount = count;
  }
  return best;
}

WallPlan planWall(const WallShape& shape, const std::vector<double>& clipAspects) {
  const double gap = shape.gap ? *shape.gap : defaultGap(shape.width);
  const int count = std::max(1, static_cast<int>(clipAspects.size()));
  // Screens that share out the frame take the shape of its cells, whatever grid that is.
  const auto aspectOf = [&](int columns, int rows) {
    if (shape.screenAspect) return *shape.screenAspect;
    if (shape.fillFrame) {
      return (shape.width - (columns - 1) * gap) / columns / ((shape.height - (rows - 1) * gap) / rows);
    }
    return commonAspect(clipAspects);
  };
  if (shape.grid) {
    const auto [columns, rows] = *shape.grid;
    return sized(shape, columns, rows, gap, aspectOf(columns, rows));
  }
  if (shape.fillFrame && !shape.screenAspect) {
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    return sized(shape, columns, rows, gap, aspectOf(columns, rows));
  }
  // Every grid with room for each clip once and none three times; the one covering the most of
  // the frame wins, and of grids covering as much, the one with fewer screens.
  const int mostScreens = count == 1 ? 1 : 2 * count - 1;
  std::optional<WallPlan> best;
  double bestCovered = -1;
  for (int columns = 1; columns <= std::min(mostScreens, MOST_COLUMNS); ++columns) {
    for (int rows = (count + columns - 1) / columns; rows <= std::min(mostScreens / columns, MOST_COLUMNS); ++rows) {
      WallPlan plan;
      try {
        plan = sized(shape, columns, rows, gap, aspectOf(columns, rows));
      } catch (const host::HostError&) {
        continue;  // too many gaps for this frame; smaller grids may fit
      }
      const double covered = 1 - plan.background(shape.width, shape.height);
      if (covered > bestCovered + 1e-9 || (covered > bestCovered - 1e-9 && plan.screens() < best->screens())) {
        best = plan;
        bestCovered = covered;
      }
    }
  }
  if (!best) throw host::HostError("--gap: the gaps leave no room for the screens");
  return *best;
}

}  // namespace plenorium::cli
