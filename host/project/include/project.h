// The project: footage, generated items and compositions; layers with their timing, transform
// and effects; effect instances with one stream per declared control.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "param_schema.h"
#include "stream.h"

namespace plenorium::host {

using ColorRGBA = std::array<double, 4>;  // red, green, blue, alpha, 0..1

// A frame rate as a whole number of ticks per second over ticks per frame (25 → 25/1,
// 29.97 → 30000/1001), so that frame times are exact.
struct FrameRate {
  std::uint32_t timeScale = 25;
  std::int32_t frameTicks = 1;
  double fps() const { return static_cast<double>(timeScale) / frameTicks; }
  // "25", or "30000/1001" for rates that are not whole.
  std::string text() const;
  // 25 → 25/1, 29.97 → 30000/1001, 12.5 → 12500/1000.
  static FrameRate fromFps(double fps);
};

enum class ItemKind { SOLID, PATTERN, FOOTAGE, COMP };
enum class LayerKind { AV, CAMERA, LIGHT, NULL_LAYER };

struct Composition;

struct Item {
  int id = 0;
  std::string name;
  ItemKind kind = ItemKind::SOLID;
  int width = 0;
  int height = 0;
  double pixelAspect = 1;
  double duration = 0;  // seconds; 0 for stills and solids
  FrameRate rate;
  ColorRGBA color{0, 0, 0, 1};  // solids
  std::string pattern;          // patterns: bars, checker, gradient, counter
  std::string path;             // footage, as written in the project file
  std::string resolvedPath;     // footage, relative to the project file's folder
  bool hasSound = false;        // footage: found when probed, never saved
  int loops = 1;                // footage: how often it plays; 0: for ever
  bool hold = false;            // footage: its last frame stays after its end
  bool autorotate = true;       // footage: videos turned upright as their display matrix says

  // How long footage plays before its layer ends: its duration times its loops; for ever (infinity)
  // for stills, held or endlessly looped footage and every other kind of item.
  double playDuration() const;
  // The time of the footage's own frames at `time` seconds of its layer: looping wraps around.
  double sourceTime(double time) const;
  std::unique_ptr<Composition> comp;  // compositions
};

struct EffectInstance {
  std::string matchName;
  const ParamSchema* schema = nullptr;  // the module's declared controls
  std::vector<Stream> params;           // by parameter index; 0 is the input layer
};

struct LayerTransform {
  Stream anchor;                        // layer pixels; defaults to the source's centre
  Stream position;                      // composition pixels; defaults to the composition's centre
  Stream scale{StreamValue{100, 100}};  // per cent
  Stream rotation;                      // degrees, clockwise
  Stream opacity{StreamValue{100, 0}};  // per cent
};

struct Layer {
  int id = 0;  // unique in the project; effect layer parameters hold it
  std::string name;
  LayerKind kind = LayerKind::AV;
  Item* source = nullptr;  // null for null layers, cameras and lights
  double startTime = 0;
  double inPoint = 0;
  std::optional<double> outPoint;  // default: where its footage stops playing, else the composition's end
  bool visible = true;
  LayerTransform transform;
  std::vector<std::unique_ptr<EffectInstance>> effects;
  Composition* parent = nullptr;

  double layerTime(double compTime) const { return compTime - startTime; }
  // Where the layer ends: its out point, or where its footage stops playing, or the composition's end.
  double endIn(double compDuration) const;
  bool isActiveAt(double compTime, double compDuration) const;
  int width() const { return source != nullptr ? source->width : 0; }
  int height() const { return source != nullptr ? source->height : 0; }
};

struct Composition {
  Item* item = nullptr;
  int width = 1920;
  int height = 1080;
  FrameRate rate;
  double duration = 0;
  double pixelAspect = 1;
  ColorRGBA background{0, 0, 0, 0};
  std::vector<std::unique_ptr<Layer>> layers;  // top first

  int frameCount() const;
  Layer* layerById(int id) const;
  Layer* layerByName(const std::string& name) const;
  int indexOf(const Layer* layer) const;  // -1 when not here
};

struct Project {
  std::string file;    // where it was loaded from
  std::string folder;  // relative paths start here
  std::string renderComp;
  std::string renderAudio;  // the layer of the render comp whose sound goes into videos; empty: none
  std::vector<std::unique_ptr<Item>> items;
  int nextLayerId = 1;
  // Values the file gave that were changed as they were read (a slider past its range), each as
  // "JSON path: what happened".
  std::vector<std::string> loadNotices;

  // Adds an item and indexes its name and id; items are added only through here, so that
  // lookups stay constant-time however many items a project holds.
  Item& addItem(std::unique_ptr<Item> item);
  Item* itemByName(const std::string& name) const;
  Item* itemById(int id) const;
  Composition* compByName(const std::string& name) const;

 private:
  std::unordered_map<std::string, Item*> itemsByName_;
  std::unordered_map<int, Item*> itemsById_;
};

}  // namespace plenorium::host
