#include "project_fields.h"

#include <cmath>
#include <filesystem>
#include <regex>
#include <set>

#include "host_units.h"

namespace plenorium::host::file_json {
namespace {

namespace fs = std::filesystem;

// The limits of what a project may ask for, so that frame numbers and times stay within their
// integer types: the host application's highest frame rate, and ten million frames.
constexpr double MAX_FPS = 999;
constexpr long MAX_FRAMES = 10'000'000;

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
                                 item.resolvedPath = footagePathIn(in.project.folder, item.path);
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
// Layers are read once every item is known (a layer names its source item): see Loader::readLayers.
const Field<Item> LAYERS{"layers", [](const FieldInput&, Item&) {},
                         [](const Item& item, oj& out, const FieldOutput& o) {
                           oj layers = oj::array();
                           for (const auto& layer : item.comp->layers) layers.push_back(layerJson(*layer, o));
                           out["layers"] = layers;
                         }};

}  // namespace

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

}  // namespace plenorium::host::file_json
