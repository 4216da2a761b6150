#include "file_json.h"

#include <cmath>

namespace plenorium::host::file_json {

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

// A stream's "hidden" switch, when the object gives one.
void readHidden(const Context& c, const json& object, const std::string& path, Stream& stream) {
  if (!object.contains("hidden")) return;
  if (!object["hidden"].is_boolean()) c.fail(at(path, "hidden"), "expected true or false");
  stream.setHidden(object["hidden"].get<bool>());
}

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
  readHidden(c, v, path, stream);
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

}  // namespace plenorium::host::file_json
