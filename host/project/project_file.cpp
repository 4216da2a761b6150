#include "project_file.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <span>
#include <sstream>

#include "host_error.h"
#include "output_file.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

class Context {
 public:
  explicit Context(std::string file) : file_(std::move(file)) {}
  [[noreturn]] void fail(const std::string& path, const std::string& what) const {
    throw HostError(file_ + ": " + path + ": " + what);
  }
  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

std::string at(const std::string& path, const std::string& key) { return path + "." + key; }
std::string at(const std::string& path, std::size_t index) { return path + "[" + std::to_string(index) + "]"; }

double number(const Context& c, const json& v, const std::string& path) {
  if (!v.is_number()) c.fail(path, "expected a number, found " + v.dump());
  const double d = v.get<double>();
  if (!std::isfinite(d)) c.fail(path, "expected a finite number");
  return d;
}

std::string text(const Context& c, const json& v, const std::string& path) {
  if (!v.is_string()) c.fail(path, "expected a string, found " + v.dump());
  return v.get<std::string>();
}

double optionalNumber(const Context& c, const json& object, const std::string& key, const std::string& path,
                      double fallback) {
  return object.contains(key) ? number(c, object[key], at(path, key)) : fallback;
}

ColorRGBA color(const Context& c, const json& v, const std::string& path) {
  if (!v.is_array() || (v.size() != 3 && v.size() != 4)) c.fail(path, "expected [red, green, blue, alpha] from 0 to 1");
  ColorRGBA out{0, 0, 0, 1};
  for (std::size_t i = 0; i < v.size(); ++i) out[i] = number(c, v[i], at(path, i));
  return out;
}

void checkKeys(const Context& c, const json& object, const std::string& path, std::initializer_list<const char*> known) {
  if (!object.is_object()) c.fail(path, "expected an object");
  for (const auto& [key, value] : object.items()) {
    bool ok = false;
    for (const char* k : known) ok = ok || key == k;
    if (!ok) {
      std::string list;
      for (const char* k : known) list += std::string(list.empty() ? "" : ", ") + k;
      c.fail(at(path, key), "unknown key; expected one of: " + list);
    }
  }
}

// Reads a plain value of `dims` numbers with `read`, or the keyframe/expression object form.
using ValueReader = std::function<StreamValue(const json&, const std::string&)>;

void readAnimatable(const Context& c, const json& v, const std::string& path, Stream& stream, const ValueReader& read) {
  if (!v.is_object()) {
    stream.setConstant(read(v, path));
    return;
  }
  checkKeys(c, v, path, {"value", "keyframes", "expression", "hidden"});
  if (v.contains("value") && v.contains("keyframes")) c.fail(path, "give either \"value\" or \"keyframes\", not both");
  if (v.contains("value")) stream.setConstant(read(v["value"], at(path, "value")));
  if (v.contains("keyframes")) {
    const json& keys = v["keyframes"];
    const std::string kp = at(path, "keyframes");
    if (!keys.is_array() || keys.empty()) c.fail(kp, "expected a list of keyframes [[time, value], ...]");
    std::vector<Keyframe> out;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const json& k = keys[i];
      const std::string p = at(kp, i);
      Keyframe key;
      if (k.is_array() && k.size() == 2) {
        key.time = number(c, k[0], at(p, 0));
        key.value = read(k[1], at(p, 1));
      } else if (k.is_object()) {
        checkKeys(c, k, p, {"t", "v", "interp"});
        if (!k.contains("t") || !k.contains("v")) c.fail(p, "a keyframe needs \"t\" and \"v\"");
        key.time = number(c, k["t"], at(p, "t"));
        key.value = read(k["v"], at(p, "v"));
        if (k.contains("interp")) {
          const std::string interp = text(c, k["interp"], at(p, "interp"));
          if (interp == "hold") {
            key.interpolation = Interpolation::HOLD;
          } else if (interp != "linear") {
            c.fail(at(p, "interp"), "expected \"linear\" or \"hold\"");
          }
        }
      } else {
        c.fail(p, "expected [time, value] or {\"t\": time, \"v\": value, \"interp\": \"hold\"}");
      }
      out.push_back(key);
    }
    stream.setKeyframes(std::move(out));
  }
  if (v.contains("expression")) stream.setExpression(text(c, v["expression"], at(path, "expression")));
  if (v.contains("hidden")) {
    if (!v["hidden"].is_boolean()) c.fail(at(path, "hidden"), "expected true or false");
    stream.setHidden(v["hidden"].get<bool>());
  }
}

ValueReader scalarReader(const Context& c) {
  return [&c](const json& v, const std::string& p) { return StreamValue{number(c, v, p), 0}; };
}

ValueReader pairReader(const Context& c) {
  return [&c](const json& v, const std::string& p) {
    if (!v.is_array() || v.size() != 2) c.fail(p, "expected [x, y]");
    return StreamValue{number(c, v[0], at(p, 0)), number(c, v[1], at(p, 1))};
  };
}

std::vector<std::string> splitChoices(const std::string& choices) {
  std::vector<std::string> out;
  std::stringstream s(choices);
  std::string item;
  while (std::getline(s, item, '|')) out.push_back(item);
  return out;
}

double clampToValid(const PF_FloatSliderDef& fs, double v) {
  return std::clamp(v, static_cast<double>(fs.valid_min), static_cast<double>(fs.valid_max));
}

StreamValue defaultValue(const DeclaredParam& p, int layerWidth, int layerHeight) {
  const PF_ParamDef& d = p.def;
  switch (d.param_type) {
    case PF_Param_FLOAT_SLIDER: return {d.u.fs_d.value, 0};
    case PF_Param_ANGLE: return {d.u.ad.dephault / 65536.0, 0};
    case PF_Param_CHECKBOX: return {d.u.bd.dephault ? 1.0 : 0.0, 0};
    case PF_Param_POPUP: return {static_cast<double>(d.u.pd.dephault), 0};
    case PF_Param_SLIDER: return {static_cast<double>(d.u.sd.dephault), 0};
    case PF_Param_POINT:
      return {d.u.td.x_dephault / 65536.0 * 0.01 * layerWidth, d.u.td.y_dephault / 65536.0 * 0.01 * layerHeight};
    default: return {0, 0};
  }
}

struct PendingLayerParam {
  Layer* layer;
  Stream* stream;
  std::string name;
  std::string path;
};

// The limits of what a project may ask for, so that frame numbers and times stay within their
// integer types: the host application's highest frame rate, and ten million frames.
constexpr double MAX_FPS = 999;
constexpr long MAX_FRAMES = 10'000'000;

class Loader {
 public:
  Loader(const Context& c, const SchemaLookup& schemas, const FootageProbe& probe)
      : c_(c), schemas_(schemas), probe_(probe) {}

  Project load(const json& doc, const std::string& folder) {
    Project project;
    project.file = c_.file();
    project.folder = folder;
    checkKeys(c_, doc, "$", {"render", "items"});
    if (!doc.contains("items") || !doc["items"].is_array()) c_.fail("$.items", "expected a list of items");
    const json& items = doc["items"];
    for (std::size_t i = 0; i < items.size(); ++i) readItemHeader(project, items[i], at("$.items", i), static_cast<int>(i + 1));
    for (std::size_t i = 0; i < items.size(); ++i) {
      Item& item = *project.items[i];
      if (item.kind == ItemKind::COMP) readLayers(project, item, items[i], at("$.items", i));
    }
    checkNoCycles(project);
    if (doc.contains("render")) {
      const json& render = doc["render"];
      checkKeys(c_, render, "$.render", {"comp"});
      if (render.contains("comp")) {
        project.renderComp = text(c_, render["comp"], "$.render.comp");
        if (project.compByName(project.renderComp) == nullptr) {
          c_.fail("$.render.comp", "no composition named '" + project.renderComp + "'");
        }
      }
    }
    return project;
  }

 private:
  // A frame rate from "fps": above 0 and at most MAX_FPS, as the host application allows.
  FrameRate frameRate(const json& v, const std::string& path) const {
    const double fps = optionalNumber(c_, v, "fps", path, 25);
    if (!(fps > 0) || fps > MAX_FPS) {
      c_.fail(at(path, "fps"), "expected frames per second above 0 and at most " + std::to_string(int(MAX_FPS)));
    }
    return FrameRate::fromFps(fps);
  }

  // A duration above 0 whose frames can be counted: at most MAX_FRAMES at `rate`.
  double duration(const json& v, const std::string& path, const FrameRate& rate) const {
    const double seconds = optionalNumber(c_, v, "duration", path, 10);
    const double longest = MAX_FRAMES / rate.fps();
    if (!(seconds > 0) || seconds > longest) {
      c_.fail(at(path, "duration"), "expected a duration above 0 and at most " + std::to_string(std::llround(longest)) +
                                        " seconds (" + std::to_string(MAX_FRAMES) + " frames) at this rate");
    }
    return seconds;
  }

  void readItemHeader(Project& project, const json& v, const std::string& path, int id) {
    if (!v.is_object()) c_.fail(path, "expected an item object");
    if (!v.contains("name")) c_.fail(path, "an item needs a \"name\"");
    auto item = std::make_unique<Item>();
    item->id = id;
    item->name = text(c_, v["name"], at(path, "name"));
    if (project.itemByName(item->name) != nullptr) c_.fail(at(path, "name"), "a second item named '" + item->name + "'");
    const std::string type = v.contains("type") ? text(c_, v["type"], at(path, "type")) : "";
    if (type == "solid") {
      checkKeys(c_, v, path, {"name", "type", "width", "height", "color", "pixelAspect"});
      item->kind = ItemKind::SOLID;
      readSize(*item, v, path);
      if (v.contains("color")) item->color = color(c_, v["color"], at(path, "color"));
    } else if (type == "pattern") {
      checkKeys(c_, v, path, {"name", "type", "pattern", "width", "height", "fps", "duration", "pixelAspect"});
      item->kind = ItemKind::PATTERN;
      readSize(*item, v, path);
      item->pattern = v.contains("pattern") ? text(c_, v["pattern"], at(path, "pattern")) : "bars";
      static const std::set<std::string> kinds = {"bars", "checker", "gradient", "counter"};
      if (kinds.count(item->pattern) == 0) c_.fail(at(path, "pattern"), "expected bars, checker, gradient or counter");
      item->rate = frameRate(v, path);
      item->duration = duration(v, path, item->rate);
    } else if (type == "footage") {
      checkKeys(c_, v, path, {"name", "type", "path", "fps", "pixelAspect"});
      item->kind = ItemKind::FOOTAGE;
      if (!v.contains("path")) c_.fail(path, "footage needs a \"path\"");
      item->path = text(c_, v["path"], at(path, "path"));
      item->resolvedPath = (fs::path(project.folder) / item->path).lexically_normal().string();
      item->rate = frameRate(v, path);
      if (probe_) {
        try {
          probe_(*item);
        } catch (const HostError& e) {
          c_.fail(at(path, "path"), e.what());
        }
      }
      // A pixel aspect the project gives overrides the file's, as the host's footage interpretation does.
      if (v.contains("pixelAspect")) {
        item->pixelAspect = optionalNumber(c_, v, "pixelAspect", path, 1);
        if (!(item->pixelAspect > 0)) c_.fail(at(path, "pixelAspect"), "expected a number above 0");
      }
    } else if (type == "comp") {
      checkKeys(c_, v, path, {"name", "type", "width", "height", "fps", "duration", "pixelAspect", "background", "layers"});
      item->kind = ItemKind::COMP;
      readSize(*item, v, path);
      item->comp = std::make_unique<Composition>();
      Composition& comp = *item->comp;
      comp.item = item.get();
      comp.width = item->width;
      comp.height = item->height;
      comp.rate = item->rate = frameRate(v, path);
      comp.duration = item->duration = duration(v, path, item->rate);
      comp.pixelAspect = item->pixelAspect;
      if (v.contains("background")) comp.background = color(c_, v["background"], at(path, "background"));
    } else {
      c_.fail(at(path, "type"), "expected \"solid\", \"pattern\", \"footage\" or \"comp\"");
    }
    project.items.push_back(std::move(item));
  }

  void readSize(Item& item, const json& v, const std::string& path) {
    auto dimension = [&](const char* key, int fallback) {
      const double d = optionalNumber(c_, v, key, path, fallback);
      if (d < 1 || d > 32768 || d != std::floor(d)) c_.fail(at(path, key), "expected a whole number of pixels, 1 to 32768");
      return static_cast<int>(d);
    };
    item.width = dimension("width", 1920);
    item.height = dimension("height", 1080);
    item.pixelAspect = optionalNumber(c_, v, "pixelAspect", path, 1);
    if (!(item.pixelAspect > 0)) c_.fail(at(path, "pixelAspect"), "expected a number above 0");
  }

  void readLayers(Project& project, Item& item, const json& v, const std::string& path) {
    Composition& comp = *item.comp;
    if (!v.contains("layers")) return;
    const json& layers = v["layers"];
    const std::string lp = at(path, "layers");
    if (!layers.is_array()) c_.fail(lp, "expected a list of layers");
    std::vector<PendingLayerParam> pending;
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const json& l = layers[i];
      const std::string p = at(lp, i);
      checkKeys(c_, l, p, {"name", "source", "type", "startTime", "inPoint", "outPoint", "visible", "transform", "effects"});
      auto layer = std::make_unique<Layer>();
      layer->id = project.nextLayerId++;
      layer->parent = &comp;
      layer->name = l.contains("name") ? text(c_, l["name"], at(p, "name")) : "Layer " + std::to_string(i + 1);
      if (l.contains("source")) {
        const std::string source = text(c_, l["source"], at(p, "source"));
        layer->source = project.itemByName(source);
        if (layer->source == nullptr) c_.fail(at(p, "source"), "no item named '" + source + "'");
      }
      const std::string type = l.contains("type") ? text(c_, l["type"], at(p, "type")) : "";
      if (type == "camera") {
        layer->kind = LayerKind::CAMERA;
      } else if (type == "light") {
        layer->kind = LayerKind::LIGHT;
      } else if (type == "null") {
        layer->kind = LayerKind::NULL_LAYER;
      } else if (!type.empty() && type != "av") {
        c_.fail(at(p, "type"), "expected \"camera\", \"light\" or \"null\"");
      } else if (layer->source == nullptr) {
        c_.fail(p, "a layer needs a \"source\" item or a \"type\" (camera, light, null)");
      }
      if (layer->kind != LayerKind::AV && layer->source != nullptr) c_.fail(at(p, "source"), "a " + type + " layer has no source");
      layer->startTime = optionalNumber(c_, l, "startTime", p, 0);
      layer->inPoint = optionalNumber(c_, l, "inPoint", p, 0);
      if (l.contains("outPoint")) layer->outPoint = number(c_, l["outPoint"], at(p, "outPoint"));
      if (l.contains("visible")) {
        if (!l["visible"].is_boolean()) c_.fail(at(p, "visible"), "expected true or false");
        layer->visible = l["visible"].get<bool>();
      }
      const double w = layer->width(), h = layer->height();
      layer->transform.anchor.setConstant({w / 2, h / 2});
      layer->transform.position.setConstant({comp.width / 2.0, comp.height / 2.0});
      if (l.contains("transform")) readTransform(l["transform"], at(p, "transform"), layer->transform);
      if (l.contains("effects")) readEffects(l["effects"], at(p, "effects"), *layer, pending);
      comp.layers.push_back(std::move(layer));
    }
    for (const PendingLayerParam& lp2 : pending) {
      if (lp2.name.empty()) {
        lp2.stream->setConstant({0, 0});
        continue;
      }
      const Layer* target = comp.layerByName(lp2.name);
      if (target == nullptr) c_.fail(lp2.path, "no layer named '" + lp2.name + "' in this composition");
      lp2.stream->setConstant({static_cast<double>(target->id), 0});
    }
  }

  void readTransform(const json& t, const std::string& path, LayerTransform& tr) {
    checkKeys(c_, t, path, {"anchor", "position", "scale", "rotation", "opacity"});
    if (t.contains("anchor")) readAnimatable(c_, t["anchor"], at(path, "anchor"), tr.anchor, pairReader(c_));
    if (t.contains("position")) readAnimatable(c_, t["position"], at(path, "position"), tr.position, pairReader(c_));
    if (t.contains("scale")) readAnimatable(c_, t["scale"], at(path, "scale"), tr.scale, pairReader(c_));
    if (t.contains("rotation")) readAnimatable(c_, t["rotation"], at(path, "rotation"), tr.rotation, scalarReader(c_));
    if (t.contains("opacity")) readAnimatable(c_, t["opacity"], at(path, "opacity"), tr.opacity, scalarReader(c_));
  }

  void readEffects(const json& effects, const std::string& path, Layer& layer, std::vector<PendingLayerParam>& pending) {
    if (!effects.is_array()) c_.fail(path, "expected a list of effects");
    for (std::size_t i = 0; i < effects.size(); ++i) {
      const json& e = effects[i];
      const std::string p = at(path, i);
      checkKeys(c_, e, p, {"matchName", "params"});
      if (!e.contains("matchName")) c_.fail(p, "an effect needs its \"matchName\"");
      const std::string matchName = text(c_, e["matchName"], at(p, "matchName"));
      const ParamSchema* schema = schemas_ ? schemas_(matchName) : nullptr;
      if (schema == nullptr) c_.fail(at(p, "matchName"), "no loaded effect has the match name '" + matchName + "'");
      auto instance = newEffectInstance(matchName, *schema, layer.width(), layer.height());
      if (e.contains("params")) {
        const json& params = e["params"];
        if (!params.is_object()) c_.fail(at(p, "params"), "expected an object of control names and values");
        for (const auto& [name, value] : params.items()) {
          const std::string vp = at(p, "params") + "[\"" + name + "\"]";
          int index = 0;
          try {
            index = schema->resolve(name);
          } catch (const HostError& err) {
            c_.fail(vp, err.what());
          }
          readControl(schema->at(index), value, vp, instance->params[static_cast<std::size_t>(index)], layer, pending);
        }
      }
      layer.effects.push_back(std::move(instance));
    }
  }

  void readControl(const DeclaredParam& param, const json& value, const std::string& path, Stream& stream, Layer& layer,
                   std::vector<PendingLayerParam>& pending) {
    const PF_ParamDef& d = param.def;
    switch (d.param_type) {
      case PF_Param_FLOAT_SLIDER:
        readAnimatable(c_, value, path, stream, [&](const json& v, const std::string& p) {
          return StreamValue{clampToValid(d.u.fs_d, number(c_, v, p)), 0};
        });
        return;
      case PF_Param_ANGLE: readAnimatable(c_, value, path, stream, scalarReader(c_)); return;
      case PF_Param_CHECKBOX:
        readAnimatable(c_, value, path, stream, [&](const json& v, const std::string& p) {
          if (!v.is_boolean()) c_.fail(p, "expected true or false");
          return StreamValue{v.get<bool>() ? 1.0 : 0.0, 0};
        });
        return;
      case PF_Param_POPUP: {
        const std::vector<std::string> choices = splitChoices(param.choices);
        readAnimatable(c_, value, path, stream, [&](const json& v, const std::string& p) {
          if (v.is_string()) {
            for (std::size_t i = 0; i < choices.size(); ++i) {
              if (choices[i] == v.get<std::string>()) return StreamValue{static_cast<double>(i + 1), 0};
            }
          } else if (v.is_number_integer() && v.get<double>() >= 1 && v.get<double>() <= static_cast<double>(choices.size())) {
            // Compared as a double: a number past the range of int must not wrap into it.
            return StreamValue{v.get<double>(), 0};
          }
          c_.fail(p, "expected one of: " + param.choices + " (or its number from 1 to " + std::to_string(choices.size()) + ")");
        });
        return;
      }
      case PF_Param_POINT: readAnimatable(c_, value, path, stream, pairReader(c_)); return;
      case PF_Param_LAYER: {
        auto readName = [&](const json& v, const std::string& p) {
          if (v.is_null()) return std::string();
          return text(c_, v, p);
        };
        const json* plain = &value;
        if (value.is_object()) {
          checkKeys(c_, value, path, {"value", "expression", "hidden"});
          if (value.contains("expression")) stream.setExpression(text(c_, value["expression"], at(path, "expression")));
          if (value.contains("hidden")) {
            if (!value["hidden"].is_boolean()) c_.fail(at(path, "hidden"), "expected true or false");
            stream.setHidden(value["hidden"].get<bool>());
          }
          if (!value.contains("value")) return;
          plain = &value["value"];
        }
        pending.push_back({&layer, &stream, readName(*plain, path), path});
        return;
      }
      case PF_Param_GROUP_START:
        // A group holds no value, but it can be hidden.
        if (value.is_object() && value.size() == 1 && value.contains("hidden") && value["hidden"].is_boolean()) {
          stream.setHidden(value["hidden"].get<bool>());
          return;
        }
        c_.fail(path, "'" + param.path + "' is a group, which holds no value (only {\"hidden\": true})");
      default: c_.fail(path, "'" + param.path + "' is a " + paramTypeName(d.param_type) + ", which holds no value");
    }
  }

  void checkNoCycles(const Project& project) {
    std::set<const Composition*> done;
    for (const auto& item : project.items) {
      if (item->kind != ItemKind::COMP) continue;
      std::vector<std::string> trail;
      visit(*item->comp, done, trail);
    }
  }

  void visit(const Composition& comp, std::set<const Composition*>& done, std::vector<std::string>& trail) {
    if (done.count(&comp) != 0) return;
    for (const std::string& name : trail) {
      if (name == comp.item->name) {
        std::string cycle;
        for (const std::string& n : trail) cycle += n + " -> ";
        c_.fail("$.items", "compositions nest in a cycle: " + cycle + comp.item->name);
      }
    }
    trail.push_back(comp.item->name);
    for (const auto& layer : comp.layers) {
      if (layer->source != nullptr && layer->source->kind == ItemKind::COMP) visit(*layer->source->comp, done, trail);
    }
    trail.pop_back();
    done.insert(&comp);
  }

  const Context& c_;
  const SchemaLookup& schemas_;
  const FootageProbe& probe_;
};

// --- saving ---

nlohmann::ordered_json streamJson(const Stream& s, const std::function<nlohmann::ordered_json(const StreamValue&)>& value,
                                  bool forceObject = false) {
  nlohmann::ordered_json out;
  const bool plain = !s.isAnimated() && s.expression().empty() && !s.hidden() && !forceObject;
  if (plain) return value(s.constant());
  if (s.isAnimated()) {
    nlohmann::ordered_json keys = nlohmann::ordered_json::array();
    for (const Keyframe& k : s.keyframes()) {
      if (k.interpolation == Interpolation::HOLD) {
        keys.push_back({{"t", k.time}, {"v", value(k.value)}, {"interp", "hold"}});
      } else {
        keys.push_back(nlohmann::ordered_json::array({k.time, value(k.value)}));
      }
    }
    out["keyframes"] = keys;
  } else {
    out["value"] = value(s.constant());
  }
  if (!s.expression().empty()) out["expression"] = s.expression();
  if (s.hidden()) out["hidden"] = true;
  return out;
}

nlohmann::ordered_json colorJson(const ColorRGBA& c) { return nlohmann::ordered_json::array({c[0], c[1], c[2], c[3]}); }

nlohmann::ordered_json controlValue(const DeclaredParam& p, const StreamValue& v, const Composition& comp) {
  switch (p.def.param_type) {
    case PF_Param_CHECKBOX: return v[0] != 0;
    case PF_Param_POPUP: {
      const auto choices = splitChoices(p.choices);
      const auto i = static_cast<std::size_t>(v[0]);
      if (i >= 1 && i <= choices.size()) return choices[i - 1];
      return v[0];
    }
    case PF_Param_POINT: return nlohmann::ordered_json::array({v[0], v[1]});
    case PF_Param_LAYER: {
      const Layer* l = comp.layerById(static_cast<int>(v[0]));
      return l != nullptr ? nlohmann::ordered_json(l->name) : nlohmann::ordered_json(nullptr);
    }
    default: return v[0];
  }
}

}  // namespace

std::unique_ptr<EffectInstance> newEffectInstance(const std::string& matchName, const ParamSchema& schema,
                                                  int layerWidth, int layerHeight) {
  auto instance = std::make_unique<EffectInstance>();
  instance->matchName = matchName;
  instance->schema = &schema;
  for (const DeclaredParam& p : schema.params()) {
    instance->params.emplace_back(defaultValue(p, layerWidth, layerHeight));
  }
  return instance;
}

Project parseProject(const json& document, const std::string& file, const std::string& folder,
                     const SchemaLookup& schemas, const FootageProbe& probe) {
  const Context c(file);
  return Loader(c, schemas, probe).load(document, folder);
}

Project loadProject(const std::string& path, const SchemaLookup& schemas, const FootageProbe& probe) {
  std::ifstream in(path);
  if (!in) throw HostError("cannot open the project file '" + path + "'");
  json doc;
  try {
    doc = json::parse(in);
  } catch (const json::exception& e) {
    // Syntax errors, and numbers past what a double holds (1e400).
    throw HostError(path + ": not valid JSON: " + e.what());
  }
  const std::string folder = fs::absolute(path).parent_path().string();
  return parseProject(doc, path, folder, schemas, probe);
}

nlohmann::ordered_json projectToJson(const Project& project, const std::string& savedFolder) {
  using oj = nlohmann::ordered_json;
  oj doc;
  if (!project.renderComp.empty()) doc["render"] = {{"comp", project.renderComp}};
  oj items = oj::array();
  auto pair = [](const StreamValue& v) { return oj::array({v[0], v[1]}); };
  auto scalar = [](const StreamValue& v) { return oj(v[0]); };
  for (const auto& item : project.items) {
    oj j;
    j["name"] = item->name;
    switch (item->kind) {
      case ItemKind::SOLID:
        j["type"] = "solid";
        j["width"] = item->width;
        j["height"] = item->height;
        j["color"] = colorJson(item->color);
        if (item->pixelAspect != 1) j["pixelAspect"] = item->pixelAspect;
        break;
      case ItemKind::PATTERN:
        j["type"] = "pattern";
        j["pattern"] = item->pattern;
        j["width"] = item->width;
        j["height"] = item->height;
        j["fps"] = item->rate.fps();
        j["duration"] = item->duration;
        if (item->pixelAspect != 1) j["pixelAspect"] = item->pixelAspect;
        break;
      case ItemKind::FOOTAGE:
        j["type"] = "footage";
        // Relative paths start at the project file's folder, so a project saved elsewhere has them
        // rebased onto its own folder.
        if (savedFolder.empty() || fs::path(item->path).is_absolute()) {
          j["path"] = item->path;
        } else {
          j["path"] = fs::path(item->resolvedPath).lexically_relative(fs::absolute(savedFolder).lexically_normal()).generic_string();
        }
        j["fps"] = item->rate.fps();
        if (item->pixelAspect != 1) j["pixelAspect"] = item->pixelAspect;
        break;
      case ItemKind::COMP: {
        const Composition& comp = *item->comp;
        j["type"] = "comp";
        j["width"] = comp.width;
        j["height"] = comp.height;
        j["fps"] = comp.rate.fps();
        j["duration"] = comp.duration;
        j["pixelAspect"] = comp.pixelAspect;
        j["background"] = colorJson(comp.background);
        oj layers = oj::array();
        for (const auto& layer : comp.layers) {
          oj l;
          l["name"] = layer->name;
          if (layer->source != nullptr) l["source"] = layer->source->name;
          if (layer->kind == LayerKind::CAMERA) l["type"] = "camera";
          if (layer->kind == LayerKind::LIGHT) l["type"] = "light";
          if (layer->kind == LayerKind::NULL_LAYER) l["type"] = "null";
          l["startTime"] = layer->startTime;
          l["inPoint"] = layer->inPoint;
          if (layer->outPoint) l["outPoint"] = *layer->outPoint;
          l["visible"] = layer->visible;
          const LayerTransform& t = layer->transform;
          l["transform"] = {{"anchor", streamJson(t.anchor, pair)},     {"position", streamJson(t.position, pair)},
                            {"scale", streamJson(t.scale, pair)},       {"rotation", streamJson(t.rotation, scalar)},
                            {"opacity", streamJson(t.opacity, scalar)}};
          oj effects = oj::array();
          for (const auto& e : layer->effects) {
            oj params = oj::object();
            const auto defaults = newEffectInstance(e->matchName, *e->schema, layer->width(), layer->height());
            for (const DeclaredParam& p : e->schema->params()) {
              if (p.index == 0 || p.path.empty()) continue;
              const Stream& s = e->params[static_cast<std::size_t>(p.index)];
              if (p.def.param_type == PF_Param_GROUP_START) {
                if (s.hidden()) params[p.path] = {{"hidden", true}};
                continue;
              }
              const Stream& d = defaults->params[static_cast<std::size_t>(p.index)];
              const bool changed = s.isAnimated() || !s.expression().empty() || s.hidden() || s.constant() != d.constant();
              if (!changed) continue;
              params[p.path] = streamJson(s, [&](const StreamValue& v) { return controlValue(p, v, comp); });
            }
            effects.push_back({{"matchName", e->matchName}, {"params", params}});
          }
          if (!effects.empty()) l["effects"] = effects;
          layers.push_back(l);
        }
        j["layers"] = layers;
        break;
      }
    }
    items.push_back(j);
  }
  doc["items"] = items;
  return doc;
}

void saveProject(const Project& project, const std::string& path) {
  // Relative footage paths are written from the folder of the file the project lands in.
  const fs::path target = replaceableTarget(path);
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  const std::string text = projectToJson(project, folder.string()).dump(2) + "\n";
  writeWholeFile(path, std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

}  // namespace plenorium::host
