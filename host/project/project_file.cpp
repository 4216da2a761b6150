#include "project_file.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <span>

#include "control_json.h"
#include "file_json.h"
#include "host_error.h"
#include "output_file.h"
#include "project_fields.h"

namespace plenorium::host {
namespace {

namespace fs = std::filesystem;
using namespace file_json;

// Reads a whole project: its items through their descriptions, then the layers of each
// composition, whose sources and layer controls name other items and layers.
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

std::string footagePathIn(const std::string& folder, const std::string& path) {
  return (fs::path(folder) / path).lexically_normal().string();
}

std::vector<std::string> uprightFootageIn(const std::string& projectFile) {
  std::vector<std::string> files;
  std::ifstream in(projectFile);
  const json doc = json::parse(in, nullptr, false);
  if (!doc.is_object() || !doc.contains("items") || !doc["items"].is_array()) return files;
  std::error_code ec;
  const std::string folder = fs::absolute(projectFile, ec).parent_path().string();
  if (ec) return files;
  for (const json& item : doc["items"]) {
    if (!item.is_object() || item.value("type", json()) != "footage") continue;
    const json path = item.value("path", json());
    if (!path.is_string() || item.value("autorotate", json(true)) != json(true)) continue;
    files.push_back(footagePathIn(folder, path.get<std::string>()));
  }
  return files;
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
