#include "wall_reach.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "host_error.h"

namespace plenorium::cli {
namespace {

const char* const MATCH_NAME = "KTRM_Plenorium";

// The grid's extent in the layer's pixels, as the effect lays it out at full resolution: screens
// and gaps scaled by Global Scale, the whole aligned on Wall position by its start, centre or end.
struct Extent {
  double left, top, width, height;
};

Extent gridExtent(const host::EffectInstance& effect) {
  const auto value = [&](const char* name) {
    return effect.params[static_cast<std::size_t>(effect.schema->resolve(name))].valueAt(0);
  };
  const auto count = [&](const char* name) { return std::clamp(std::trunc(value(name)[0]), 0.0, 100.0); };
  const double columns = count("Columns"), rows = count("Rows");
  const double scale = value("Global Scale")[0] * 0.01;
  const double width = scale * (columns * value("Screen Width")[0] + std::max(0.0, columns - 1) * value("Gap X")[0]);
  const double height = scale * (rows * value("Screen Height")[0] + std::max(0.0, rows - 1) * value("Gap Y")[0]);
  const host::StreamValue anchor = value("Wall position");
  // 1 aligns the start on the anchor, 2 the centre, 3 the end.
  const auto start = [](double at, double size, double align) { return at - size * 0.5 * (align - 1); };
  return {start(anchor[0], width, value("Align Horizontal")[0]), start(anchor[1], height, value("Align Vertical")[0]),
          width, height};
}

// "96 px past the left and right edges", "40 px past the top edge", or "" within.
std::string overhang(double before, double after, const char* first, const char* second) {
  const long a = std::lround(std::max(0.0, before)), b = std::lround(std::max(0.0, after));
  std::ostringstream out;
  if (a > 0 && a == b) {
    out << a << " px past the " << first << " and " << second << " edges";
  } else if (a > 0 && b > 0) {
    out << a << " px past the " << first << " edge and " << b << " px past the " << second << " edge";
  } else if (a > 0 || b > 0) {
    out << std::max(a, b) << " px past the " << (a > 0 ? first : second) << " edge";
  }
  return out.str();
}

void checkComp(const host::Composition& comp, std::vector<std::string>& lines) {
  for (const auto& layer : comp.layers) {
    const int width = layer->width(), height = layer->height();
    if (width <= 0 || height <= 0) continue;
    for (const auto& effect : layer->effects) {
      if (effect->matchName != MATCH_NAME || effect->schema == nullptr) continue;
      Extent wall{};
      try {
        wall = gridExtent(*effect);
      } catch (const host::HostError&) {
        continue;  // an effect of another version, without these controls
      }
      const std::string across = overhang(-wall.left, wall.left + wall.width - width, "left", "right");
      const std::string down = overhang(-wall.top, wall.top + wall.height - height, "top", "bottom");
      if (across.empty() && down.empty()) continue;
      std::ostringstream line;
      line << "composition '" << comp.item->name << "', layer '" << layer->name << "': the wall, "
           << std::lround(wall.width) << "x" << std::lround(wall.height) << " px, reaches " << across
           << (!across.empty() && !down.empty() ? " and " : "") << down << " of its " << width << "x" << height
           << " frame, and is cut off there (fewer Columns or Rows, smaller screens or Global Scale bring it in)";
      lines.push_back(line.str());
    }
  }
}

}  // namespace

std::vector<std::string> wallsPastTheirFrames(const host::Project& project, const host::Composition* comp) {
  std::vector<std::string> lines;
  if (comp != nullptr) {
    checkComp(*comp, lines);
    return lines;
  }
  for (const auto& item : project.items) {
    if (item->kind == host::ItemKind::COMP) checkComp(*item->comp, lines);
  }
  return lines;
}

}  // namespace plenorium::cli
