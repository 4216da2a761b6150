#include "project_commands.h"

#include <cmath>
#include <iostream>
#include <sstream>

#include "host_error.h"
#include "host_session.h"

namespace plenorium::cli {
namespace {

using host::HostError;

std::string seconds(double s) {
  std::ostringstream out;
  out.precision(6);
  out << s << " s";
  return out.str();
}

std::string compLine(const host::Composition& comp, const host::Project& project) {
  std::ostringstream out;
  out << "'" << comp.item->name << "'  " << comp.width << "x" << comp.height << "  " << comp.rate.text() << " fps  "
      << seconds(comp.duration) << " (" << comp.frameCount() << " frames)";
  if (comp.item->name == project.renderComp) out << "  [rendered]";
  return out.str();
}

const char* kindName(host::ItemKind kind) {
  switch (kind) {
    case host::ItemKind::SOLID: return "solid";
    case host::ItemKind::PATTERN: return "pattern";
    case host::ItemKind::FOOTAGE: return "footage";
    case host::ItemKind::COMP: return "comp";
  }
  return "item";
}

void printFootage(const host::Item& item) {
  std::cout << "footage '" << item.name << "'  " << item.path << "  " << item.width << "x" << item.height;
  if (item.duration > 0) std::cout << "  " << item.rate.text() << " fps  " << seconds(item.duration);
  if (item.loops == 0) std::cout << "  loops";
  if (item.loops > 1) std::cout << "  plays " << item.loops << " times";
  if (item.hold) std::cout << "  holds its last frame";
  if (item.hasSound) std::cout << "  with sound";
  std::cout << '\n';
}

void printLayer(const host::Layer& layer, const host::Composition& comp) {
  std::cout << "  layer '" << layer.name << "'";
  if (layer.source != nullptr) std::cout << "  " << kindName(layer.source->kind) << " '" << layer.source->name << "'";
  std::cout << "  from " << seconds(layer.inPoint) << " to " << seconds(layer.endIn(comp.duration));
  if (layer.startTime != 0) std::cout << "  starting at " << seconds(layer.startTime);
  if (!layer.visible) std::cout << "  hidden";
  std::cout << '\n';
  for (const auto& effect : layer.effects) {
    std::cout << "    effect " << effect->matchName;
    std::string sources;
    for (const host::DeclaredParam& p : effect->schema->params()) {
      if (p.index == 0 || p.def.param_type != PF_Param_LAYER) continue;
      const host::Layer* source =
          comp.layerById(static_cast<int>(effect->params[static_cast<std::size_t>(p.index)].valueAt(0)[0]));
      if (source != nullptr) sources += (sources.empty() ? "" : ", ") + p.name + " '" + source->name + "'";
    }
    std::cout << (sources.empty() ? ": no layer chosen" : ": " + sources) << '\n';
  }
}

// Runs `body` with the project loaded in a session of its own, footage probed when asked.
template <typename Body>
int withProject(const std::string& modulePath, const std::string& file, bool probeFootage, Body body) {
  SessionSettings settings;
  settings.modulePath = modulePath;
  HostSession session(settings);
  return body(session.open(ProjectSource::file(file), probeFootage));
}

}  // namespace

int runCheck(const std::string& modulePath, const std::string& file) {
  return withProject(modulePath, file, true, [&](const host::Project& project) {
    std::cout << "project " << file << '\n';
    for (const auto& item : project.items) {
      if (item->kind == host::ItemKind::FOOTAGE) printFootage(*item);
    }
    for (const auto& item : project.items) {
      if (item->kind != host::ItemKind::COMP) continue;
      std::cout << "composition " << compLine(*item->comp, project) << '\n';
      for (const auto& layer : item->comp->layers) printLayer(*layer, *item->comp);
    }
    if (!project.renderAudio.empty()) std::cout << "sound from layer '" << project.renderAudio << "'\n";
    for (const std::string& notice : project.loadNotices) std::cout << "changed: " << notice << '\n';
    std::cout << (project.loadNotices.empty() ? "ok\n"
                                              : "ok, with " + std::to_string(project.loadNotices.size()) +
                                                    (project.loadNotices.size() == 1 ? " value" : " values") +
                                                    " changed to what the controls take\n");
    return 0;
  });
}

int runComps(const std::string& modulePath, const std::string& file) {
  return withProject(modulePath, file, false, [&](const host::Project& project) {
    for (const auto& item : project.items) {
      if (item->kind == host::ItemKind::COMP) std::cout << compLine(*item->comp, project) << '\n';
    }
    return 0;
  });
}

}  // namespace plenorium::cli
