#include "preview_model.h"

#include <filesystem>
#include <functional>

#include "frame_encoding.h"
#include "host_error.h"
#include "project_file.h"

namespace plenorium::preview {

namespace fs = std::filesystem;
using host::HostError;
using json = nlohmann::json;

namespace {

const char* typeName(PF_ParamType type) {
  switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_FLOAT_SLIDER: return "float";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_GROUP_START: return "group";
    case PF_Param_GROUP_END: return "end";
    default: return "other";
  }
}

std::vector<std::string> choicesOf(const std::string& list) {
  std::vector<std::string> out;
  std::string::size_type start = 0;
  while (start <= list.size()) {
    const auto bar = list.find('|', start);
    out.push_back(list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return out;
}

json valueJson(const host::DeclaredParam& p, const host::StreamValue& v, const host::Composition& comp) {
  switch (p.def.param_type) {
    case PF_Param_CHECKBOX: return v[0] != 0;
    case PF_Param_POPUP: return static_cast<int>(v[0]);
    case PF_Param_POINT: return json::array({v[0], v[1]});
    case PF_Param_LAYER: {
      const host::Layer* l = comp.layerById(static_cast<int>(v[0]));
      return l != nullptr ? json(l->name) : json(nullptr);
    }
    default: return v[0];
  }
}

}  // namespace

std::size_t PreviewModel::FrameKeyHash::operator()(const FrameKey& k) const {
  std::size_t h = std::hash<unsigned long>()(k.version);
  h = h * 1000003u ^ std::hash<long>()(k.frame);
  return h * 31u + static_cast<std::size_t>(k.downsample) * 2u + (k.exact ? 1u : 0u);
}

PreviewModel::PreviewModel(cli::HostSession& session, const std::string& compName, std::string savePath)
    : session_(session),
      compName_(session.comp(compName).item->name),
      savePath_(std::move(savePath)),
      frames_(session.pixels().engine().budget(),
              [](const std::shared_ptr<const std::string>& b) { return b->size(); }) {
  session_.renderer();  // sequence set-up and a controls update, as after loading
}

const host::Composition& PreviewModel::comp() const {
  return session_.comp(compName_);
}

host::Layer* PreviewModel::effectLayer() const {
  for (const auto& layer : comp().layers) {
    if (!layer->effects.empty()) return layer.get();
  }
  return nullptr;
}

json PreviewModel::controlsJson() {
  host::Layer* layer = effectLayer();
  if (layer == nullptr) return json::array();
  const host::EffectInstance& effect = *layer->effects.front();
  const host::ParamSchema& schema = *effect.schema;
  const host::Composition& c = comp();
  json controls = json::array();
  for (const host::DeclaredParam& p : schema.params()) {
    if (p.index == 0) continue;
    const PF_ParamDef& d = p.def;
    const host::Stream& stream = effect.params[static_cast<std::size_t>(p.index)];
    json control = {{"index", p.index},
                    {"name", p.name},
                    {"path", p.path},
                    {"type", typeName(d.param_type)},
                    {"parent", p.parent},
                    {"depth", p.depth},
                    {"hidden", stream.hidden()},
                    {"supervised", (d.flags & PF_ParamFlag_SUPERVISE) != 0}};
    if (d.param_type == PF_Param_GROUP_END) {
      controls.push_back(control);
      continue;
    }
    if (d.param_type == PF_Param_GROUP_START) {
      control["collapsed"] = (d.flags & PF_ParamFlag_START_COLLAPSED) != 0;
      controls.push_back(control);
      continue;
    }
    control["setName"] = schema.shortestName(p.index);
    control["value"] = valueJson(p, stream.valueAt(0), c);
    control["keyframes"] = json::array();
    for (const host::Keyframe& k : stream.keyframes()) control["keyframes"].push_back(k.time);
    control["expression"] = stream.expression();
    switch (d.param_type) {
      case PF_Param_FLOAT_SLIDER:
        control["validMin"] = d.u.fs_d.valid_min;
        control["validMax"] = d.u.fs_d.valid_max;
        control["sliderMin"] = d.u.fs_d.slider_min;
        control["sliderMax"] = d.u.fs_d.slider_max;
        control["precision"] = d.u.fs_d.precision;
        control["percent"] = (d.u.fs_d.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
        break;
      case PF_Param_POPUP: control["choices"] = choicesOf(p.choices); break;
      case PF_Param_LAYER: {
        json names = json::array();
        for (const auto& l : c.layers) names.push_back(l->name);
        control["choices"] = names;
        break;
      }
      default: break;
    }
    controls.push_back(control);
  }
  return controls;
}

json PreviewModel::layersJson() const {
  json layers = json::array();
  const host::Composition& c = comp();
  for (const auto& l : c.layers) {
    layers.push_back({{"id", l->id},
                      {"name", l->name},
                      {"source", l->source != nullptr ? json(l->source->name) : json(nullptr)},
                      {"in", l->inPoint},
                      {"out", l->endIn(c.duration)},
                      {"visible", l->visible},
                      {"effects", l->effects.size()}});
  }
  return layers;
}

json PreviewModel::state() {
  const host::Composition& c = comp();
  json comps = json::array();
  for (const auto& item : session_.project().items) {
    if (item->kind == host::ItemKind::COMP) comps.push_back(item->name);
  }
  host::Layer* layer = effectLayer();
  return {{"version", version_},
          {"project", session_.source().name},
          {"savePath", savePath_},
          {"dirty", dirty()},
          {"comps", comps},
          {"comp",
           {{"name", compName_},
            {"width", c.width},
            {"height", c.height},
            {"fps", c.rate.fps()},
            {"frames", c.frameCount()},
            {"duration", c.duration}}},
          {"effectLayer", layer != nullptr ? json(layer->name) : json(nullptr)},
          {"controls", controlsJson()},
          {"layers", layersJson()},
          {"canUndo", !undo_.empty()},
          {"canRedo", !redo_.empty()}};
}

void PreviewModel::changed() {
  ++version_;
  ++contentVersion_;
  frames_.clear();  // every kept frame shows the project before the change
}

void PreviewModel::apply(const Edit& edit, bool forward) {
  const host::Composition& c = comp();
  host::Layer* layer = c.layerById(edit.layerId);
  if (layer == nullptr) throw HostError("the layer changed is no longer in composition '" + compName_ + "'");
  if (edit.paramIndex < 0) {
    layer->visible = forward ? edit.visibleAfter : edit.visibleBefore;
  } else {
    // Through the host as a user's change: the effect hears of it and updates its controls.
    session_.renderer().changeStream(*layer, 0, edit.paramIndex, forward ? edit.after : edit.before);
  }
  changed();
}

void PreviewModel::record(Edit edit) {
  redo_.clear();
  // The changes of one gesture (a drag) are one step: the first one's "before" is kept.
  if (!edit.gesture.empty() && !undo_.empty() && undo_.back().gesture == edit.gesture &&
      undo_.back().layerId == edit.layerId && undo_.back().paramIndex == edit.paramIndex) {
    undo_.back().after = edit.after;
    undo_.back().visibleAfter = edit.visibleAfter;
    return;
  }
  undo_.push_back(std::move(edit));
  constexpr std::size_t MAX_STEPS = 500;
  if (undo_.size() > MAX_STEPS) undo_.erase(undo_.begin());
}

void PreviewModel::change(const json& request) {
  if (!request.is_object()) throw HostError("expected a JSON object");
  const host::Composition& c = comp();
  Edit edit;
  if (request.contains("gesture") && (request["gesture"].is_string() || request["gesture"].is_number())) {
    edit.gesture = request["gesture"].is_string() ? request["gesture"].get<std::string>() : request["gesture"].dump();
  }
  if (request.contains("layer") && request.contains("visible")) {
    if (!request["layer"].is_number_integer() || !request["visible"].is_boolean()) {
      throw HostError("expected {\"layer\": ID, \"visible\": true or false}");
    }
    const host::Layer* layer = c.layerById(request["layer"].get<int>());
    if (layer == nullptr)
      throw HostError("no layer " + request["layer"].dump() + " in composition '" + compName_ + "'");
    edit.layerId = layer->id;
    edit.visibleBefore = layer->visible;
    edit.visibleAfter = request["visible"].get<bool>();
    apply(edit, true);
    record(std::move(edit));
    return;
  }
  host::Layer* layer = effectLayer();
  if (layer == nullptr) throw HostError("composition '" + compName_ + "' has no effect to change");
  const host::EffectInstance& effect = *layer->effects.front();
  if (!request.contains("param") || !request["param"].is_number_integer()) {
    throw HostError("expected {\"param\": INDEX, \"value\": VALUE} or {\"layer\": ID, \"visible\": B}");
  }
  const int index = request["param"].get<int>();
  if (index < 1 || index >= static_cast<int>(effect.params.size())) {
    throw HostError("no control " + std::to_string(index));
  }
  const host::DeclaredParam& param = effect.schema->at(index);
  const PF_ParamType type = param.def.param_type;
  if (type == PF_Param_GROUP_START || type == PF_Param_GROUP_END) {
    throw HostError(param.path + ": a group holds no value");
  }
  edit.layerId = layer->id;
  edit.paramIndex = index;
  edit.before = effect.params[static_cast<std::size_t>(index)];
  edit.after = edit.before;
  if (request.value("reset", false)) {
    edit.after = host::newEffectInstance(effect.matchName, *effect.schema, layer->width(), layer->height())
                     ->params[static_cast<std::size_t>(index)];
    edit.after.setExpression(edit.before.expression());
  } else {
    if (!request.contains("value")) throw HostError(param.path + ": no value given");
    const host::StreamValue value = host::controlValueFrom(param, request["value"], c);
    if (edit.after.isAnimated()) {
      // A key at the current time, the others kept.
      double time = 0;
      if (request.contains("time")) {
        if (!request["time"].is_number()) throw HostError("time: expected seconds");
        time = layer->layerTime(request["time"].get<double>());
      }
      std::vector<host::Keyframe> keys = edit.after.keyframes();
      bool replaced = false;
      for (host::Keyframe& k : keys) {
        if (std::abs(k.time - time) < 1e-9) {
          k.value = value;
          replaced = true;
        }
      }
      if (!replaced) keys.push_back({time, value, host::Interpolation::LINEAR});
      edit.after.setKeyframes(std::move(keys));
    } else {
      edit.after.setConstant(value);
    }
  }
  apply(edit, true);
  record(std::move(edit));
}

bool PreviewModel::undo() {
  if (undo_.empty()) return false;
  Edit edit = std::move(undo_.back());
  undo_.pop_back();
  apply(edit, false);
  redo_.push_back(std::move(edit));
  return true;
}

bool PreviewModel::redo() {
  if (redo_.empty()) return false;
  Edit edit = std::move(redo_.back());
  redo_.pop_back();
  apply(edit, true);
  undo_.push_back(std::move(edit));
  return true;
}

void PreviewModel::chooseComp(const std::string& name) {
  compName_ = session_.comp(name).item->name;
  ++version_;
  frames_.clear();
  undo_.clear();
  redo_.clear();
}

EncodedFrame PreviewModel::frame(const FrameRequest& request) {
  const host::Composition& c = comp();
  if (request.frame < 0 || request.frame >= c.frameCount()) {
    throw HostError("frame " + std::to_string(request.frame) + ": the composition has frames 0 to " +
                    std::to_string(c.frameCount() - 1));
  }
  if (request.downsample < 1 || request.downsample > 4) throw HostError("resolution: expected 1 to 4");
  const FrameKey key{version_, request.frame, request.downsample, request.exact};
  EncodedFrame out;
  out.version = version_;
  out.type = request.exact ? "image/png" : "image/jpeg";
  if (const auto* kept = frames_.find(key)) {
    out.bytes = *kept;
    return out;
  }
  host::RenderSettings settings;
  settings.downsample = request.downsample;
  const host::OwnedWorld world = session_.renderer().renderFrame(c, request.frame, settings);
  out.bytes = std::make_shared<const std::string>(request.exact ? encodePng(*world) : encodeJpeg(*world));
  frames_.put(key, out.bytes);
  return out;
}

std::string PreviewModel::save(const std::string& path) {
  const std::string target = path.empty() ? savePath_ : path;
  if (target.empty()) throw HostError("name the file to save the project as (a .json file)");
  if (fs::path(target).extension() != ".json") throw HostError("'" + target + "': a project is saved as a .json file");
  session_.save(target, "save");
  savePath_ = target;
  savedVersion_ = contentVersion_;
  ++version_;
  return target;
}

json PreviewModel::snapshot() const {
  return json::parse(host::projectToJson(session_.project(), fs::current_path().string()).dump());
}

}  // namespace plenorium::preview
