#include "param_schema.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <sstream>

#include "host_error.h"
#include "host_units.h"

namespace plenorium::host {
namespace {

bool endsWithPath(const std::string& path, const std::string& name) {
  if (name.empty() || name.size() > path.size()) return false;
  if (path.compare(path.size() - name.size(), name.size(), name) != 0) return false;
  return name.size() == path.size() || path[path.size() - name.size() - 1] == '/';
}

std::string number(double v) {
  std::ostringstream s;
  s.precision(10);
  s << v;
  return s.str();
}

std::string fixed16(PF_Fixed v) {
  return number(fromFixed(v));
}

}  // namespace

std::string paramTypeName(PF_ParamType type) {
  switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_FIX_SLIDER: return "fixed slider";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "color";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_FLOAT_SLIDER: return "float slider";
    case PF_Param_GROUP_START: return "group";
    case PF_Param_GROUP_END: return "group end";
    case PF_Param_BUTTON: return "button";
    case PF_Param_POINT_3D: return "3D point";
    default: return "type " + std::to_string(type);
  }
}

ParamSchema::ParamSchema() {
  DeclaredParam input;
  input.index = 0;
  input.def.param_type = PF_Param_LAYER;
  input.name = "Input";
  params_.push_back(input);
}

void ParamSchema::add(const PF_ParamDef& def) {
  DeclaredParam p;
  p.index = count();
  p.def = def;
  p.name.assign(def.name, strnlen(def.name, sizeof(def.name)));
  // The effect's strings are not kept past the call: copy them and clear the pointers.
  if (def.param_type == PF_Param_POPUP) {
    if (def.u.pd.u.namesptr != nullptr) p.choices = def.u.pd.u.namesptr;
    p.def.u.pd.u.namesptr = nullptr;
  }
  if (def.param_type == PF_Param_CHECKBOX) p.def.u.bd.u.nameptr = nullptr;

  if (def.param_type == PF_Param_GROUP_END) {
    if (openGroups_.empty()) throw HostError("the effect closed a control group it never opened");
    openGroups_.pop_back();
    p.parent = openGroups_.empty() ? -1 : openGroups_.back();
    p.depth = static_cast<int>(openGroups_.size());
    params_.push_back(p);
    return;
  }
  p.parent = openGroups_.empty() ? -1 : openGroups_.back();
  p.depth = static_cast<int>(openGroups_.size());
  p.path = p.parent < 0 ? p.name : at(p.parent).path + "/" + p.name;
  params_.push_back(p);
  if (def.param_type == PF_Param_GROUP_START) openGroups_.push_back(p.index);
}

void ParamSchema::finish() const {
  if (!openGroups_.empty())
    throw HostError("the effect left the control group '" + at(openGroups_.back()).name + "' open");
}

// The number of single-character insertions, deletions and substitutions between two names,
// ignoring case: "Colums" is one from "Columns".
std::size_t editDistance(const std::string& a, const std::string& b) {
  auto folded = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<std::string> ParamSchema::nearestPaths(const std::string& leaf) const {
  // Close enough to be a slip of the keyboard: a third of the name, and at least two characters.
  const std::size_t limit = std::max<std::size_t>(2, leaf.size() / 3);
  std::size_t best = limit + 1;
  std::vector<std::string> out;
  for (const DeclaredParam& p : params_) {
    if (p.path.empty() || p.index == 0 || p.def.param_type == PF_Param_GROUP_END) continue;
    const std::size_t d = editDistance(leaf, p.name);
    if (d > limit || d > best) continue;
    if (d < best) out.clear();
    best = d;
    if (out.size() < 3) out.push_back(p.path);
  }
  return out;
}

int ParamSchema::resolve(const std::string& name) const {
  // A leading slash anchors the name at the top level: "/Scale X" is only the top-level one.
  const bool anchored = !name.empty() && name.front() == '/';
  const std::string wanted = anchored ? name.substr(1) : name;
  std::vector<int> matches;
  for (const DeclaredParam& p : params_) {
    if (p.index == 0 || p.path.empty()) continue;
    if (anchored ? p.path == wanted : endsWithPath(p.path, wanted)) matches.push_back(p.index);
  }
  if (matches.size() == 1) return matches.front();
  std::string message;
  if (matches.empty()) {
    message = "unknown control '" + name + "'";
    std::vector<std::string> close;
    const auto slash = name.find_last_of('/');
    const std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
    for (const DeclaredParam& p : params_) {
      if (!p.path.empty() && p.index != 0 && p.name == leaf) close.push_back(p.path);
    }
    if (!close.empty()) {
      message += "; controls with that name:";
      for (const auto& c : close) message += " '" + c + "'";
    } else {
      const std::vector<std::string> near = nearestPaths(leaf);
      if (!near.empty()) {
        message += "; did you mean";
        for (std::size_t i = 0; i < near.size(); ++i) message += (i == 0 ? " '" : " or '") + near[i] + "'";
        message += "?";
      }
    }
  } else {
    message = "the control name '" + name +
              "' is ambiguous; write enough of its group path (a leading '/' names a "
              "top-level control):";
    for (int i : matches) message += " '" + at(i).path + "'";
  }
  throw HostError(message);
}

std::string ParamSchema::describe() const {
  std::string out;
  for (const DeclaredParam& p : params_) {
    if (p.index == 0 || p.def.param_type == PF_Param_GROUP_END) continue;
    out += std::string(static_cast<std::size_t>(p.depth) * 2, ' ') + p.name + "  " + describe(p) + "\n";
  }
  return out;
}

std::string ParamSchema::describe(const DeclaredParam& p) const {
  std::ostringstream out;
  const PF_ParamDef& d = p.def;
  out << "[" << paramTypeName(d.param_type);
  if (d.flags & PF_ParamFlag_START_COLLAPSED) out << ", collapsed";
  out << "]";
  switch (d.param_type) {
    case PF_Param_FLOAT_SLIDER: {
      const PF_FloatSliderDef& s = d.u.fs_d;
      const bool percent = (s.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
      out << "  default " << number(s.value) << (percent ? "%" : "") << "  valid " << number(s.valid_min) << ".."
          << number(s.valid_max) << "  slider " << number(s.slider_min) << ".." << number(s.slider_max)
          << "  precision " << s.precision;
      break;
    }
    case PF_Param_POPUP: out << "  default " << d.u.pd.dephault << "  choices " << p.choices; break;
    case PF_Param_CHECKBOX: out << "  default " << (d.u.bd.dephault ? "on" : "off"); break;
    case PF_Param_ANGLE: out << "  default " << fixed16(d.u.ad.dephault) << " deg"; break;
    case PF_Param_POINT:
      out << "  default " << fixed16(d.u.td.x_dephault) << "%, " << fixed16(d.u.td.y_dephault) << "% of the layer";
      break;
    case PF_Param_LAYER:
      out << "  default " << (d.u.ld.dephault == PF_LayerDefault_NONE ? "none" : "this layer");
      break;
    default: break;
  }
  if (d.flags & PF_ParamFlag_SUPERVISE) out << "  supervised";
  if (d.flags & PF_ParamFlag_CANNOT_TIME_VARY) out << "  not animatable";
  if (d.ui_flags & PF_PUI_INVISIBLE) out << "  hidden";
  out << "  id " << d.uu.id;
  return out.str();
}

std::string ParamSchema::shortestName(int index) const {
  const DeclaredParam& p = at(index);
  std::string name = p.name;
  std::string rest = p.path.size() > p.name.size() ? p.path.substr(0, p.path.size() - p.name.size() - 1) : "";
  for (;;) {
    try {
      if (resolve(name) == index) return name;
    } catch (const HostError&) {
    }
    if (rest.empty()) return p.path;
    const auto slash = rest.rfind('/');
    name = rest.substr(slash == std::string::npos ? 0 : slash + 1) + "/" + name;
    rest = slash == std::string::npos ? "" : rest.substr(0, slash);
  }
}

}  // namespace plenorium::host
