#include "project_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <span>
#include <sstream>

#include "host_error.h"
#include "host_units.h"
#include "output_file.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

class Context {
 public:
  explicit Context(std::string file) : file_(std::move(file)) {}
  [[noreturn]] void fail(const std::string& path, const std::string& what) const {
    throw HostError((file_.empty() ? "" : file_ + ": ") + path + ": " + what);
  }
  const std::string& file() const { return file_; }
  // A value that was read, but changed to one the control takes.
  void notice(const std::string& path, const std::string& what) const { notices_.push_back(path + ": " + what); }
  std::vector<std::string> takeNotices() const { return std::move(notices_); }

 private:
  std::string file_;
  mutable std::vector<std::string> notices_;
};

std::string at(const std::string& path, const std::string& key) {
  return path + "." + key;
}
std::string at(const std::string& path, std::size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

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

void checkKeys(const Context& c, const json& object, const std::string& path, const std::vector<std::string>& known) {
  if (!object.is_object()) c.fail(path, "expected an object");
  for (const auto& [key, value] : object.items()) {
    if (std::find(known.begin(), known.end(), key) != known.end()) continue;
    std::string list;
    for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
    c.fail(at(path, key), "unknown key; expected one of: " + list);
  }
}

void checkKeys(const Context& c, const json& object, const std::string& path,
               std::initializer_list<const char*> known) {
  checkKeys(c, object, path, std::vector<std::string>(known.begin(), known.end()));
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

using oj = nlohmann::ordered_json;

// --- effects and their controls ---

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
        if (value.contains("hidden")) {
          if (!value["hidden"].is_boolean()) c.fail(at(path, "hidden"), "expected true or false");
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

oj streamJson(const Stream& s, const std::function<oj(const StreamValue&)>& value) {
  oj out;
  const bool plain = !s.isAnimated() && s.expression().empty() && !s.hidden();
  if (plain) return value(s.constant());
  if (s.isAnimated()) {
    oj keys = oj::array();
    for (const Keyframe& k : s.keyframes()) {
      if (k.interpolation == Interpolation::HOLD) {
        keys.push_back({{"t", k.time}, {"v", value(k.value)}, {"interp", "hold"}});
      } else {
        keys.push_back(oj::array({k.time, value(k.value)}));
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

oj colorJson(const ColorRGBA& c) {
  return oj::array({c[0], c[1], c[2], c[3]});
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

// The controls that differ from their declared defaults.
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

// --- the description of the file ---
// For each kind of item, and for layers, the keys a project file may hold, each with how it is read
// into the model and written back. The loader accepts exactly these keys and reads through them
// (in this order, also when a key is absent, which gives its default); the saver writes through
// them. A key cannot be read and then lost on saving.

// What reading one object's keys has at hand.
struct FieldInput {
  const Context& c;
  const json& object;
  const std::string& path;
  const Project& project;
  const FootageProbe& probe;
  const SchemaLookup& schemas;
  const Composition* comp;                  // layers: the composition they are in
  std::size_t index;                        // layers: their place in it
  std::vector<PendingLayerParam>* pending;  // layers: layer controls to resolve by name

  bool has(const char* key) const { return object.contains(key); }
  const json& operator[](const char* key) const { return object[key]; }
  std::string where(const char* key) const { return at(path, key); }
  double number(const char* key, double fallback) const { return optionalNumber(c, object, key, path, fallback); }
  bool boolean(const char* key, bool fallback) const {
    if (!has(key)) return fallback;
    if (!object[key].is_boolean()) c.fail(where(key), "expected true or false");
    return object[key].get<bool>();
  }
};

// What writing has at hand: where the file goes, for relative paths.
struct FieldOutput {
  const std::string& savedFolder;
};

template <class Object>
struct Field {
  const char* key;
  void (*read)(const FieldInput&, Object&);
  void (*write)(const Object&, oj&, const FieldOutput&);
};

int dimension(const FieldInput& in, const char* key, int fallback) {
  const double d = in.number(key, fallback);
  if (d < 1 || d > 32768 || d != std::floor(d))
    in.c.fail(in.where(key), "expected a whole number of pixels, 1 to 32768");
  return static_cast<int>(d);
}

double positive(const FieldInput& in, const char* key, double fallback) {
  const double v = in.number(key, fallback);
  if (!(v > 0)) in.c.fail(in.where(key), "expected a number above 0");
  return v;
}

const Field<Item> WIDTH{"width", [](const FieldInput& in, Item& item) { item.width = dimension(in, "width", 1920); },
                        [](const Item& item, oj& out, const FieldOutput&) { out["width"] = item.width; }};
const Field<Item> HEIGHT{"height",
                         [](const FieldInput& in, Item& item) { item.height = dimension(in, "height", 1080); },
                         [](const Item& item, oj& out, const FieldOutput&) { out["height"] = item.height; }};
const Field<Item> PIXEL_ASPECT{
    "pixelAspect", [](const FieldInput& in, Item& item) { item.pixelAspect = positive(in, "pixelAspect", 1); },
    [](const Item& item, oj& out, const FieldOutput&) {
      if (item.pixelAspect != 1) out["pixelAspect"] = item.pixelAspect;
    }};
// Footage has the pixel aspect of its file; one the project gives overrides it, as the host's
// footage interpretation does.
const Field<Item> FOOTAGE_PIXEL_ASPECT{"pixelAspect",
                                       [](const FieldInput& in, Item& item) {
                                         if (in.has("pixelAspect")) item.pixelAspect = positive(in, "pixelAspect", 1);
                                       },
                                       PIXEL_ASPECT.write};
// A frame rate above 0 and at most MAX_FPS, as the host application allows: a number (29.97 is
// read as 30000/1001) or exactly, as "30000/1001".
FrameRate frameRate(const FieldInput& in) {
  const std::string where = in.where("fps");
  auto refuse = [&] {
    in.c.fail(where, "expected frames per second above 0 and at most " + std::to_string(int(MAX_FPS)) +
                         ", as a number or as \"30000/1001\"");
  };
  if (!in.has("fps")) return FrameRate{};
  const json& v = in["fps"];
  if (v.is_string()) {
    static const std::regex ratio(R"(^\s*(\d{1,9})\s*(?:/\s*(\d{1,9})\s*)?$)");
    std::smatch m;
    const std::string t = v.get<std::string>();
    if (!std::regex_match(t, m, ratio)) refuse();
    const long long ticks = std::stoll(m[1]), frame = m[2].matched ? std::stoll(m[2]) : 1;
    if (ticks <= 0 || frame <= 0 || static_cast<double>(ticks) / static_cast<double>(frame) > MAX_FPS) refuse();
    return FrameRate{static_cast<std::uint32_t>(ticks), static_cast<std::int32_t>(frame)};
  }
  if (!v.is_number()) refuse();
  const double fps = v.get<double>();
  if (!std::isfinite(fps) || !(fps > 0) || fps > MAX_FPS) refuse();
  return FrameRate::fromFps(fps);
}

const Field<Item> FPS{"fps", [](const FieldInput& in, Item& item) { item.rate = frameRate(in); },
                      [](const Item& item, oj& out, const FieldOutput&) {
                        const std::string exact = item.rate.text();
                        if (exact.find('/') == std::string::npos) {
                          out["fps"] = std::stoul(exact);
                        } else {
                          out["fps"] = exact;
                        }
                      }};
// A duration above 0 whose frames can be counted: at most MAX_FRAMES at the item's rate.
const Field<Item> DURATION{"duration",
                           [](const FieldInput& in, Item& item) {
                             const double seconds = in.number("duration", 10);
                             const double longest = MAX_FRAMES / item.rate.fps();
                             if (!(seconds > 0) || seconds > longest) {
                               in.c.fail(in.where("duration"), "expected a duration above 0 and at most " +
                                                                   std::to_string(std::llround(longest)) +
                                                                   " seconds (" + std::to_string(MAX_FRAMES) +
                                                                   " frames) at this rate");
                             }
                             item.duration = seconds;
                           },
                           [](const Item& item, oj& out, const FieldOutput&) { out["duration"] = item.duration; }};
const Field<Item> COLOR{"color",
                        [](const FieldInput& in, Item& item) {
                          if (in.has("color")) item.color = color(in.c, in["color"], in.where("color"));
                        },
                        [](const Item& item, oj& out, const FieldOutput&) { out["color"] = colorJson(item.color); }};
const Field<Item> PATTERN{"pattern",
                          [](const FieldInput& in, Item& item) {
                            item.pattern = in.has("pattern") ? text(in.c, in["pattern"], in.where("pattern")) : "bars";
                            static const std::set<std::string> kinds = {"bars", "checker", "gradient", "counter"};
                            if (kinds.count(item.pattern) == 0) {
                              in.c.fail(in.where("pattern"), "expected bars, checker, gradient or counter");
                            }
                          },
                          [](const Item& item, oj& out, const FieldOutput&) { out["pattern"] = item.pattern; }};
// Relative paths start at the project file's folder; a project saved elsewhere has them rebased
// onto its own folder. The file is probed as soon as it is known.
const Field<Item> FOOTAGE_PATH{"path",
                               [](const FieldInput& in, Item& item) {
                                 if (!in.has("path")) in.c.fail(in.path, "footage needs a \"path\"");
                                 item.path = text(in.c, in["path"], in.where("path"));
                                 item.resolvedPath =
                                     (fs::path(in.project.folder) / item.path).lexically_normal().string();
                                 if (!in.probe) return;
                                 try {
                                   in.probe(item);
                                 } catch (const HostError& e) {
                                   in.c.fail(in.where("path"), e.what());
                                 }
                               },
                               [](const Item& item, oj& out, const FieldOutput& o) {
                                 if (o.savedFolder.empty() || fs::path(item.path).is_absolute()) {
                                   out["path"] = item.path;
                                 } else {
                                   out["path"] = fs::path(item.resolvedPath)
                                                     .lexically_relative(fs::absolute(o.savedFolder).lexically_normal())
                                                     .generic_string();
                                 }
                               }};
// How often footage plays: "loop": N times, or true for as long as its layer lasts; "hold": true
// keeps its last frame after its end. Either way its layer lasts beyond the footage's own end.
const Field<Item> FOOTAGE_LOOP{
    "loop",
    [](const FieldInput& in, Item& item) {
      if (!in.has("loop")) return;
      const json& v = in["loop"];
      if (v.is_boolean()) {
        item.loops = v.get<bool>() ? 0 : 1;
      } else if (v.is_number_integer() && v.get<long long>() >= 1 && v.get<long long>() <= 1'000'000) {
        item.loops = static_cast<int>(v.get<long long>());
      } else {
        in.c.fail(in.where("loop"), "expected true, false or how many times the footage plays (1 to 1000000)");
      }
    },
    [](const Item& item, oj& out, const FieldOutput&) {
      if (item.loops == 0) out["loop"] = true;
      if (item.loops > 1) out["loop"] = item.loops;
    }};
const Field<Item> FOOTAGE_HOLD{"hold", [](const FieldInput& in, Item& item) { item.hold = in.boolean("hold", false); },
                               [](const Item& item, oj& out, const FieldOutput&) {
                                 if (item.hold) out["hold"] = true;
                               }};
// Videos are shown upright as their display matrix says (a phone's portrait clip); false reads
// the pictures as they are stored.
const Field<Item> FOOTAGE_AUTOROTATE{
    "autorotate", [](const FieldInput& in, Item& item) { item.autorotate = in.boolean("autorotate", true); },
    [](const Item& item, oj& out, const FieldOutput&) {
      if (!item.autorotate) out["autorotate"] = false;
    }};
const Field<Item> BACKGROUND{
    "background",
    [](const FieldInput& in, Item& item) {
      if (in.has("background")) item.comp->background = color(in.c, in["background"], in.where("background"));
    },
    [](const Item& item, oj& out, const FieldOutput&) { out["background"] = colorJson(item.comp->background); }};
oj layerJson(const Layer& layer, const FieldOutput& o);
// Layers are read once every item is known (a layer names its source item): see Loader::readLayers.
const Field<Item> LAYERS{"layers", [](const FieldInput&, Item&) {},
                         [](const Item& item, oj& out, const FieldOutput& o) {
                           oj layers = oj::array();
                           for (const auto& layer : item.comp->layers) layers.push_back(layerJson(*layer, o));
                           out["layers"] = layers;
                         }};

struct ItemKindDescription {
  const char* type;
  ItemKind kind;
  std::vector<Field<Item>> fields;
};

const std::vector<ItemKindDescription>& itemKinds() {
  static const std::vector<ItemKindDescription> kinds = {
      {"solid", ItemKind::SOLID, {WIDTH, HEIGHT, PIXEL_ASPECT, COLOR}},
      {"pattern", ItemKind::PATTERN, {PATTERN, WIDTH, HEIGHT, PIXEL_ASPECT, FPS, DURATION}},
      {"footage",
       ItemKind::FOOTAGE,
       {FPS, FOOTAGE_PATH, FOOTAGE_PIXEL_ASPECT, FOOTAGE_LOOP, FOOTAGE_HOLD, FOOTAGE_AUTOROTATE}},
      {"comp", ItemKind::COMP, {WIDTH, HEIGHT, PIXEL_ASPECT, FPS, DURATION, BACKGROUND, LAYERS}},
  };
  return kinds;
}

const ItemKindDescription& describedKind(ItemKind kind) {
  for (const auto& k : itemKinds()) {
    if (k.kind == kind) return k;
  }
  throw HostError("an item of a kind the project file cannot hold");
}

const std::vector<Field<Layer>>& layerFields() {
  static const std::vector<Field<Layer>> fields = {
      {"name",
       [](const FieldInput& in, Layer& layer) {
         layer.name =
             in.has("name") ? text(in.c, in["name"], in.where("name")) : "Layer " + std::to_string(in.index + 1);
       },
       [](const Layer& layer, oj& out, const FieldOutput&) { out["name"] = layer.name; }},
      {"source",
       [](const FieldInput& in, Layer& layer) {
         if (!in.has("source")) return;
         const std::string source = text(in.c, in["source"], in.where("source"));
         layer.source = in.project.itemByName(source);
         if (layer.source == nullptr) in.c.fail(in.where("source"), "no item named '" + source + "'");
       },
       [](const Layer& layer, oj& out, const FieldOutput&) {
         if (layer.source != nullptr) out["source"] = layer.source->name;
       }},
      {"type",
       [](const FieldInput& in, Layer& layer) {
         const std::string type = in.has("type") ? text(in.c, in["type"], in.where("type")) : "";
         if (type == "camera") {
           layer.kind = LayerKind::CAMERA;
         } else if (type == "light") {
           layer.kind = LayerKind::LIGHT;
         } else if (type == "null") {
           layer.kind = LayerKind::NULL_LAYER;
         } else if (!type.empty() && type != "av") {
           in.c.fail(in.where("type"), "expected \"camera\", \"light\" or \"null\"");
         } else if (layer.source == nullptr) {
           in.c.fail(in.path, "a layer needs a \"source\" item or a \"type\" (camera, light, null)");
         }
         if (layer.kind != LayerKind::AV && layer.source != nullptr) {
           in.c.fail(in.where("source"), "a " + type + " layer has no source");
         }
       },
       [](const Layer& layer, oj& out, const FieldOutput&) {
         if (layer.kind == LayerKind::CAMERA) out["type"] = "camera";
         if (layer.kind == LayerKind::LIGHT) out["type"] = "light";
         if (layer.kind == LayerKind::NULL_LAYER) out["type"] = "null";
       }},
      {"startTime", [](const FieldInput& in, Layer& layer) { layer.startTime = in.number("startTime", 0); },
       [](const Layer& layer, oj& out, const FieldOutput&) { out["startTime"] = layer.startTime; }},
      {"inPoint", [](const FieldInput& in, Layer& layer) { layer.inPoint = in.number("inPoint", 0); },
       [](const Layer& layer, oj& out, const FieldOutput&) { out["inPoint"] = layer.inPoint; }},
      {"outPoint",
       [](const FieldInput& in, Layer& layer) {
         if (in.has("outPoint")) layer.outPoint = number(in.c, in["outPoint"], in.where("outPoint"));
       },
       [](const Layer& layer, oj& out, const FieldOutput&) {
         if (layer.outPoint) out["outPoint"] = *layer.outPoint;
       }},
      {"visible", [](const FieldInput& in, Layer& layer) { layer.visible = in.boolean("visible", true); },
       [](const Layer& layer, oj& out, const FieldOutput&) { out["visible"] = layer.visible; }},
      // The anchor defaults to the source's centre, the position to the composition's.
      {"transform",
       [](const FieldInput& in, Layer& layer) {
         LayerTransform& t = layer.transform;
         t.anchor.setConstant({layer.width() / 2.0, layer.height() / 2.0});
         t.position.setConstant({in.comp->width / 2.0, in.comp->height / 2.0});
         if (!in.has("transform")) return;
         const json& v = in["transform"];
         const std::string path = in.where("transform");
         checkKeys(in.c, v, path, {"anchor", "position", "scale", "rotation", "opacity"});
         if (v.contains("anchor")) readAnimatable(in.c, v["anchor"], at(path, "anchor"), t.anchor, pairReader(in.c));
         if (v.contains("position"))
           readAnimatable(in.c, v["position"], at(path, "position"), t.position, pairReader(in.c));
         if (v.contains("scale")) readAnimatable(in.c, v["scale"], at(path, "scale"), t.scale, pairReader(in.c));
         if (v.contains("rotation"))
           readAnimatable(in.c, v["rotation"], at(path, "rotation"), t.rotation, scalarReader(in.c));
         if (v.contains("opacity"))
           readAnimatable(in.c, v["opacity"], at(path, "opacity"), t.opacity, scalarReader(in.c));
       },
       [](const Layer& layer, oj& out, const FieldOutput&) {
         const LayerTransform& t = layer.transform;
         auto pair = [](const StreamValue& v) { return oj::array({v[0], v[1]}); };
         auto scalar = [](const StreamValue& v) { return oj(v[0]); };
         out["transform"] = {{"anchor", streamJson(t.anchor, pair)},
                             {"position", streamJson(t.position, pair)},
                             {"scale", streamJson(t.scale, pair)},
                             {"rotation", streamJson(t.rotation, scalar)},
                             {"opacity", streamJson(t.opacity, scalar)}};
       }},
      {"effects",
       [](const FieldInput& in, Layer& layer) {
         if (in.has("effects")) readEffects(in.c, in.schemas, in["effects"], in.where("effects"), layer, *in.pending);
       },
       [](const Layer& layer, oj& out, const FieldOutput&) {
         if (layer.effects.empty()) return;
         oj effects = oj::array();
         for (const auto& e : layer.effects) effects.push_back(effectJson(*e, layer));
         out["effects"] = effects;
       }},
  };
  return fields;
}

oj layerJson(const Layer& layer, const FieldOutput& o) {
  oj out;
  for (const auto& field : layerFields()) field.write(layer, out, o);
  return out;
}

// The keys of a description, for checking an object against it.
template <class Object>
std::vector<std::string> keysOf(std::initializer_list<const char*> leading, const std::vector<Field<Object>>& fields) {
  std::vector<std::string> keys(leading.begin(), leading.end());
  for (const auto& f : fields) keys.push_back(f.key);
  return keys;
}

// --- loading ---

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
    for (std::size_t i = 0; i < items.size(); ++i)
      readItem(project, items[i], at("$.items", i), static_cast<int>(i + 1));
    for (std::size_t i = 0; i < items.size(); ++i) {
      Item& item = *project.items[i];
      if (item.kind == ItemKind::COMP) readLayers(project, item, items[i], at("$.items", i));
    }
    checkNoCycles(project);
    if (doc.contains("render")) {
      const json& render = doc["render"];
      checkKeys(c_, render, "$.render", {"comp", "audio"});
      if (render.contains("comp")) {
        project.renderComp = text(c_, render["comp"], "$.render.comp");
        if (project.compByName(project.renderComp) == nullptr) {
          c_.fail("$.render.comp", "no composition named '" + project.renderComp + "'");
        }
      }
      // The layer is looked for in whichever composition is rendered, which the command line
      // may choose; it is checked there.
      if (render.contains("audio")) project.renderAudio = text(c_, render["audio"], "$.render.audio");
    }
    return project;
  }

 private:
  void readItem(Project& project, const json& v, const std::string& path, int id) {
    if (!v.is_object()) c_.fail(path, "expected an item object");
    if (!v.contains("name")) c_.fail(path, "an item needs a \"name\"");
    auto item = std::make_unique<Item>();
    item->id = id;
    item->name = text(c_, v["name"], at(path, "name"));
    if (project.itemByName(item->name) != nullptr)
      c_.fail(at(path, "name"), "a second item named '" + item->name + "'");
    const std::string type = v.contains("type") ? text(c_, v["type"], at(path, "type")) : "";
    const ItemKindDescription* kind = nullptr;
    for (const auto& k : itemKinds()) {
      if (type == k.type) kind = &k;
    }
    if (kind == nullptr) c_.fail(at(path, "type"), "expected \"solid\", \"pattern\", \"footage\" or \"comp\"");
    checkKeys(c_, v, path, keysOf({"name", "type"}, kind->fields));
    item->kind = kind->kind;
    if (item->kind == ItemKind::COMP) {
      item->comp = std::make_unique<Composition>();
      item->comp->item = item.get();
    }
    const FieldInput in{c_, v, path, project, probe_, schemas_, nullptr, 0, nullptr};
    for (const auto& field : kind->fields) field.read(in, *item);
    if (Composition* comp = item->comp.get()) {
      comp->width = item->width;
      comp->height = item->height;
      comp->rate = item->rate;
      comp->duration = item->duration;
      comp->pixelAspect = item->pixelAspect;
    }
    project.addItem(std::move(item));
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
      checkKeys(c_, l, p, keysOf({}, layerFields()));
      auto layer = std::make_unique<Layer>();
      layer->id = project.nextLayerId++;
      layer->parent = &comp;
      const FieldInput in{c_, l, p, project, probe_, schemas_, &comp, i, &pending};
      for (const auto& field : layerFields()) field.read(in, *layer);
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

StreamValue controlValueFrom(const DeclaredParam& param, const json& value, const Composition& comp) {
  const Context c("");
  if (param.def.param_type == PF_Param_LAYER) {
    if (value.is_null()) return {0, 0};
    const std::string name = text(c, value, param.path);
    const Layer* layer = comp.layerByName(name);
    if (layer == nullptr) c.fail(param.path, "no layer named '" + name + "' in composition '" + comp.item->name + "'");
    return {static_cast<double>(layer->id), 0};
  }
  if (value.is_object()) c.fail(param.path, "expected a plain value, found " + value.dump());
  Stream stream;
  Layer scratch;
  std::vector<PendingLayerParam> pending;
  readControl(c, param, value, param.path, stream, scratch, pending);
  return stream.constant();
}

Project parseProject(const json& document, const std::string& file, const std::string& folder,
                     const SchemaLookup& schemas, const FootageProbe& probe) {
  const Context c(file);
  Project project = Loader(c, schemas, probe).load(document, folder);
  project.loadNotices = c.takeNotices();
  return project;
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
  oj doc;
  if (!project.renderComp.empty()) doc["render"]["comp"] = project.renderComp;
  if (!project.renderAudio.empty()) doc["render"]["audio"] = project.renderAudio;
  oj items = oj::array();
  const FieldOutput o{savedFolder};
  for (const auto& item : project.items) {
    const ItemKindDescription& kind = describedKind(item->kind);
    oj j;
    j["name"] = item->name;
    j["type"] = kind.type;
    for (const auto& field : kind.fields) field.write(*item, j, o);
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
