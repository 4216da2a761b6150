#include "project_commands.h"

#include <cmath>
#include <iostream>
#include <sstream>

#include "host_error.h"
#include "host_session.h"
#include "host_units.h"
#include "wall_reach.h"

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
    const std::vector<std::string> pastFrames = wallsPastTheirFrames(project);
    for (const std::string& line : pastFrames) std::cout << "warning: " << line << '\n';
    std::vector<std::string> remarks;
    const std::size_t changed = project.loadNotices.size();
    if (changed > 0) {
      remarks.push_back(std::to_string(changed) + (changed == 1 ? " value" : " values") +
                        " changed to what the controls take");
    }
    if (!pastFrames.empty()) {
      remarks.push_back(std::to_string(pastFrames.size()) + (pastFrames.size() == 1 ? " wall" : " walls") +
                        " past its frame");
    }
    std::cout << "ok" << (remarks.empty() ? "" : ", with " + remarks.front())
              << (remarks.size() > 1 ? " and " + remarks.back() : "") << '\n';
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

namespace {

// A value for --set as `params` shows it: the control's default in the user's words.
std::string exampleValue(const host::DeclaredParam& p) {
  const PF_ParamDef& d = p.def;
  std::ostringstream out;
  switch (d.param_type) {
    case PF_Param_FLOAT_SLIDER:
      out << d.u.fs_d.dephault << ((d.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0 ? "%" : "");
      break;
    case PF_Param_POPUP: {
      std::stringstream choices(p.choices);
      std::string choice;
      for (int i = 0; i < d.u.pd.dephault && std::getline(choices, choice, '|'); ++i) {
      }
      out << choice;
      break;
    }
    case PF_Param_CHECKBOX: out << (d.u.bd.dephault ? "true" : "false"); break;
    case PF_Param_ANGLE: out << fromFixed(d.u.ad.dephault); break;
    case PF_Param_POINT: out << fromFixed(d.u.td.x_dephault) << "%," << fromFixed(d.u.td.y_dephault) << "%"; break;
    case PF_Param_LAYER: out << "Layer name"; break;
    default: return "";
  }
  return out.str();
}

bool containsWord(const std::string& text, const std::string& word) {
  const auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  return lower(text).find(lower(word)) != std::string::npos;
}

}  // namespace

int runParams(const std::string& modulePath, const std::string& word, bool all) {
  SessionSettings settings;
  settings.modulePath = modulePath;
  HostSession session(settings);
  const host::ParamSchema& schema = session.driver().schema();
  // The controls the effect hides at its defaults are found by asking it, as the host does after
  // loading a project: an instance on a layer of a scratch composition, brought up to date.
  const nlohmann::json scratch = {
      {"items",
       {{{"name", "base"}, {"type", "solid"}, {"width", 1920}, {"height", 1080}},
        {{"name", "Main"},
         {"type", "comp"},
         {"layers", {{{"name", "Wall"}, {"source", "base"}, {"effects", {{{"matchName", "KTRM_Plenorium"}}}}}}}}}}};
  session.open(ProjectSource::built(scratch, "the effect's defaults"), false);
  const host::EffectInstance& effect = *session.project().compByName("Main")->layers.front()->effects.front();
  session.renderer();
  std::vector<bool> hidden(effect.params.size(), false);
  std::size_t shown = 0;
  for (const host::DeclaredParam& p : schema.params()) {
    if (p.index == 0 || p.def.param_type == PF_Param_GROUP_END) continue;
    const auto i = static_cast<std::size_t>(p.index);
    hidden[i] = effect.params[i].hidden() || (p.parent > 0 && hidden[static_cast<std::size_t>(p.parent)]);
    if (hidden[i] && !all) continue;
    if (!word.empty() && !containsWord(p.path, word)) continue;
    ++shown;
    const std::string example = exampleValue(p);
    // With a word, each control by its whole path; without, the tree as the effect declares it.
    std::cout << (word.empty() ? std::string(static_cast<std::size_t>(p.depth) * 2, ' ') + p.name : p.path) << "  "
              << schema.describe(p) << (hidden[i] ? "  (hidden now)" : "");
    if (!example.empty()) std::cout << "  --set \"" << schema.shortestName(p.index) << "=" << example << "\"";
    std::cout << '\n';
  }
  if (shown == 0) {
    throw host::HostError("no control's name holds '" + word + "'" +
                          (all ? "" : " (hidden controls are listed with --all)"));
  }
  return 0;
}

}  // namespace plenorium::cli
