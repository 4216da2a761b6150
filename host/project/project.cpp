#include "project.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace plenorium::host {

FrameRate FrameRate::fromFps(double fps) {
  if (!(fps > 0) || !std::isfinite(fps)) return {};
  const double whole = std::round(fps);
  if (std::fabs(fps - whole) < 1e-6 && whole <= 1e6) return {static_cast<std::uint32_t>(whole), 1};
  // 23.976, 29.97, 59.94 and their kin, as written to two or three decimals, are the rates of
  // N × 1000 / 1001 frames a second.
  const double ntscWhole = std::round(fps * 1.001);
  if (ntscWhole >= 1 && ntscWhole <= 1e6 && std::fabs(fps - ntscWhole / 1.001) < 5e-4) {
    return {static_cast<std::uint32_t>(ntscWhole * 1000), 1001};
  }
  return {static_cast<std::uint32_t>(std::round(fps * 1000.0)), 1000};
}

std::string FrameRate::text() const {
  const std::uint32_t common = std::gcd(timeScale, static_cast<std::uint32_t>(frameTicks));
  if (common == 0) return "0";
  const std::uint32_t ticks = static_cast<std::uint32_t>(frameTicks) / common;
  return ticks == 1 ? std::to_string(timeScale / common)
                    : std::to_string(timeScale / common) + "/" + std::to_string(ticks);
}

double Item::playDuration() const {
  if (kind != ItemKind::FOOTAGE || duration <= 0 || loops == 0 || hold) return std::numeric_limits<double>::infinity();
  return duration * loops;
}

double Item::sourceTime(double time) const {
  if (kind != ItemKind::FOOTAGE || loops == 1 || duration <= 0 || time < 0) return time;
  // Whole frames: the time is wrapped on the footage's own frame grid, so that a loop shows every
  // frame once and the first again right after the last.
  const double frames = std::round(duration * rate.fps());
  const double frame = std::floor(time * rate.fps() + 1e-6);
  if (frames < 1) return time;
  return (std::fmod(frame, frames) + (time * rate.fps() - frame)) / rate.fps();
}

double Layer::endIn(double compDuration) const {
  const double footageEnd = source != nullptr ? startTime + source->playDuration() : compDuration;
  return outPoint.value_or(std::min(compDuration, footageEnd));
}

bool Layer::isActiveAt(double compTime, double compDuration) const {
  return compTime >= inPoint && compTime < endIn(compDuration);
}

int Composition::frameCount() const {
  return std::max(1, static_cast<int>(std::ceil(duration * rate.fps() - 1e-9)));
}

Layer* Composition::layerById(int id) const {
  for (const auto& l : layers) {
    if (l->id == id) return l.get();
  }
  return nullptr;
}

Layer* Composition::layerByName(const std::string& name) const {
  for (const auto& l : layers) {
    if (l->name == name) return l.get();
  }
  return nullptr;
}

int Composition::indexOf(const Layer* layer) const {
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (layers[i].get() == layer) return static_cast<int>(i);
  }
  return -1;
}

Item& Project::addItem(std::unique_ptr<Item> item) {
  Item& added = *item;
  items.push_back(std::move(item));
  itemsByName_.emplace(added.name, &added);
  itemsById_.emplace(added.id, &added);
  return added;
}

Item* Project::itemByName(const std::string& name) const {
  const auto found = itemsByName_.find(name);
  return found != itemsByName_.end() ? found->second : nullptr;
}

Item* Project::itemById(int id) const {
  const auto found = itemsById_.find(id);
  return found != itemsById_.end() ? found->second : nullptr;
}

Composition* Project::compByName(const std::string& name) const {
  Item* item = itemByName(name);
  return item != nullptr && item->kind == ItemKind::COMP ? item->comp.get() : nullptr;
}

}  // namespace plenorium::host
