#include "control_json.h"

#include <algorithm>
#include <regex>
#include <sstream>

#include "host_units.h"

namespace plenorium::host::file_json {
namespace {

// A slider's value as a number, or as text the way the control shows it: "50" or "50%".
double sliderNumber(const Context& c, const json& v, const std::string& path) {
  if (v.is_string()) {
    static const std::regex form(R"(^\s*(-?\d+(?:\.\d+)?)\s*%?\s*$)");
    std::smatch m;
    const std::string& given = v.get_ref<const std::string&>();
    if (std::regex_match(given, m, form)) return std::stod(m[1]);
    c.fail(path, "expected a number (50 or \"50%\"), found " + v.dump());
  }
  return number(c, v, path);
}

// A point as [x, y] in pixels of the layer, or as text: "960,540" in pixels, "50%,50%" as shares
// of the layer's width and height (each coordinate on its own).
ValueReader pointReader(const Context& c, const Layer& layer) {
  return [&c, &layer](const json& v, const std::string& p) {
    if (v.is_string()) {
      static const std::regex form(R"(^\s*(-?\d+(?:\.\d+)?)\s*(%?)\s*,\s*(-?\d+(?:\.\d+)?)\s*(%?)\s*$)");
      std::smatch m;
      const std::string& given = v.get_ref<const std::string&>();
      if (!std::regex_match(given, m, form)) c.fail(p, "expected [x, y] in pixels or \"x%,y%\", found " + v.dump());
      const double x = std::stod(m[1]), y = std::stod(m[3]);
      return StreamValue{m[2].length() > 0 ? x * layer.width() / 100 : x,
                         m[4].length() > 0 ? y * layer.height() / 100 : y};
    }
    if (!v.is_array() || v.size() != 2) c.fail(p, "expected [x, y] in pixels or \"x%,y%\"");
    return StreamValue{number(c, v[0], at(p, 0)), number(c, v[1], at(p, 1))};
  };
}

// A slider value past the control's valid range is brought into it, as the host application does
// with a typed value, and noted.
double clampToValid(const Context& c, const std::string& path, const PF_FloatSliderDef& fs, double v) {
  const double clamped = std::clamp(v, static_cast<double>(fs.valid_min), static_cast<double>(fs.valid_max));
  if (clamped != v) {
    std::ostringstream what;
    what << v << " is outside " << fs.valid_min << ".." << fs.valid_max << "; " << clamped << " is used";
    c.notice(path, what.str());
  }
  return clamped;
}

}  // namespace

std::vector<std::string> splitChoices(const std::string& choices) {
  std::vector<std::string> out;
  std::stringstream s(choices);
  std::string item;
  while (std::getline(s, item, '|')) out.push_back(item);
  return out;
}

StreamValue defaultValue(const DeclaredParam& p, int layerWidth, int layerHeight) {
  const PF_ParamDef& d = p.def;
  switch (d.param_type) {
    case PF_Param_FLOAT_SLIDER: return {d.u.fs_d.value, 0};
    case PF_Param_ANGLE: return {fromFixed(d.u.ad.dephault), 0};
    case PF_Param_CHECKBOX: return {d.u.bd.dephault ? 1.0 : 0.0, 0};
    case PF_Param_POPUP: return {static_cast<double>(d.u.pd.dephault), 0};
    case PF_Param_SLIDER: return {static_cast<double>(d.u.sd.dephault), 0};
    case PF_Param_POINT:
      return {fromFixed(d.u.td.x_dephault) * 0.01 * layerWidth, fromFixed(d.u.td.y_dephault) * 0.01 * layerHeight};
    default: return {0, 0};
  }
}

void readControl(const Context& c, const DeclaredParam& param, const json& value, const std::string& path,
                 Stream& stream, Layer& layer, std::vector<PendingLayerParam>& pending) {
  const PF_ParamDef& d = param.def;
  switch (d.param_type) {
    case PF_Param_FLOAT_SLIDER:
      readAnimatable(c, value, path, stream, [&](const json& v, const std::string& p) {
        return StreamValue{clampToValid(c, p, d.u.fs_d, sliderNumber(c, v, p)), 0};
      });
      return;
    case PF_Param_ANGLE: readAnimatable(c, value, path, stream, scalarReader(c)); return;
    case PF_Param_CHECKBOX:
      readAnimatable(c, value, path, stream, [&](const json& v, const std::string& p) {
        if (!v.is_boolean()) c.fail(p, "expected true or false");
        return StreamValue{v.get<bool>() ? 1.0 : 0.0, 0};
      });
      return;
    case PF_Param_POPUP: {
      const std::vector<std::string> choices = splitChoices(param.choices);
      readAnimatable(c, value, path, stream, [&](const json& v, const std::string& p) {
        if (v.is_string()) {
          for (std::size_t i = 0; i < choices.size(); ++i) {
            if (choices[i] == v.get<std::string>()) return StreamValue{static_cast<double>(i + 1), 0};
          }
          // A choice named in another case ("retro") is that choice.
          for (std::size_t i = 0; i < choices.size(); ++i) {
            if (choices[i].size() == v.get<std::string>().size() && editDistance(choices[i], v.get<std::string>()) == 0)
              return StreamValue{static_cast<double>(i + 1), 0};
          }
        } else if (v.is_number_integer() && v.get<double>() >= 1 &&
                   v.get<double>() <= static_cast<double>(choices.size())) {
          // Compared as a double: a number past the range of int must not wrap into it.
          return StreamValue{v.get<double>(), 0};
        }
        std::string nearest;
        if (v.is_string()) {
          // A slip of the keyboard: a third of the name, and at least two letters.
          std::size_t best = std::max<std::size_t>(2, v.get<std::string>().size() / 3) + 1;
          for (const std::string& choice : choices) {
            const std::size_t distance = editDistance(v.get<std::string>(), choice);
            if (distance < best) best = distance, nearest = choice;
          }
        }
        c.fail(p, "expected one of: " + param.choices + " (or its number from 1 to " + std::to_string(choices.size()) +
                      ")" + (nearest.empty() ? "" : "; did you mean '" + nearest + "'?"));
      });
      return;
    }
    case PF_Param_POINT: readAnimatable(c, value, path, stream, pointReader(c, layer)); return;
    case PF_Param_LAYER: {
      auto readName = [&](const json& v, const std::string& p) {
        if (v.is_null()) return std::string();
        return text(c, v, p);
      };
      const json* plain = &value;
      if (value.is_object()) {
        checkKeys(c, value, path, {"value", "expression", "hidden"});
        if (value.contains("expression")) stream.setExpression(text(c, value["expression"], at(path, "expression")));
        readHidden(c, value, path, stream);
        if (!value.contains("value")) return;
        plain = &value["value"];
      }
      pending.push_back({&layer, &stream, readName(*plain, path), path});
      return;
    }
    case PF_Param_GROUP_START:
      // A group holds no value, but it can be hidden.
      if (value.is_object() && value.size() == 1 && value.contains("hidden")) {
        readHidden(c, value, path, stream);
        return;
      }
      c.fail(path, "'" + param.path + "' is a group, which holds no value (only {\"hidden\": true})");
    default: c.fail(path, "'" + param.path + "' is a " + paramTypeName(d.param_type) + ", which holds no value");
  }
}

void readEffects(const Context& c, const SchemaLookup& schemas, const json& effects, const std::string& path,
                 Layer& layer, std::vector<PendingLayerParam>& pending) {
  if (!effects.is_array()) c.fail(path, "expected a list of effects");
  for (std::size_t i = 0; i < effects.size(); ++i) {
    const json& e = effects[i];
    const std::string p = at(path, i);
    checkKeys(c, e, p, {"matchName", "params"});
    if (!e.contains("matchName")) c.fail(p, "an effect needs its \"matchName\"");
    const std::string matchName = text(c, e["matchName"], at(p, "matchName"));
    const ParamSchema* schema = schemas ? schemas(matchName) : nullptr;
    if (schema == nullptr) c.fail(at(p, "matchName"), "no loaded effect has the match name '" + matchName + "'");
    auto instance = newEffectInstance(matchName, *schema, layer.width(), layer.height());
    if (e.contains("params")) {
      const json& params = e["params"];
      if (!params.is_object()) c.fail(at(p, "params"), "expected an object of control names and values");
      for (const auto& [name, value] : params.items()) {
        const std::string vp = at(p, "params") + "[\"" + name + "\"]";
        int index = 0;
        try {
          index = schema->resolve(name);
        } catch (const HostError& err) {
          c.fail(vp, err.what());
        }
        readControl(c, schema->at(index), value, vp, instance->params[static_cast<std::size_t>(index)], layer, pending);
      }
    }
    layer.effects.push_back(std::move(instance));
  }
}

oj controlValue(const DeclaredParam& p, const StreamValue& v, const Composition& comp) {
  switch (p.def.param_type) {
    case PF_Param_CHECKBOX: return v[0] != 0;
    case PF_Param_POPUP: {
      const auto choices = splitChoices(p.choices);
      const auto i = static_cast<std::size_t>(v[0]);
      if (i >= 1 && i <= choices.size()) return choices[i - 1];
      return v[0];
    }
    case PF_Param_POINT: return oj::array({v[0], v[1]});
    case PF_Param_LAYER: {
      const Layer* l = comp.layerById(static_cast<int>(v[0]));
      return l != nullptr ? oj(l->name) : oj(nullptr);
    }
    default: return v[0];
  }
}

oj effectJson(const EffectInstance& e, const Layer& layer) {
  oj params = oj::object();
  const auto defaults = newEffectInstance(e.matchName, *e.schema, layer.width(), layer.height());
  for (const DeclaredParam& p : e.schema->params()) {
    if (p.index == 0 || p.path.empty()) continue;
    const Stream& s = e.params[static_cast<std::size_t>(p.index)];
    if (p.def.param_type == PF_Param_GROUP_START) {
      if (s.hidden()) params[p.path] = {{"hidden", true}};
      continue;
    }
    const Stream& d = defaults->params[static_cast<std::size_t>(p.index)];
    const bool changed = s.isAnimated() || !s.expression().empty() || s.hidden() || s.constant() != d.constant();
    if (!changed) continue;
    params[p.path] = streamJson(s, [&](const StreamValue& v) { return controlValue(p, v, *layer.parent); });
  }
  return {{"matchName", e.matchName}, {"params", params}};
}

}  // namespace plenorium::host::file_json
