// The description of a project file: for each kind of item, and for layers, the keys the file
// may hold, each with how it is read into the model and written back. Private to host/project.
//
// For each kind of item, and for layers, the keys a project file may hold, each with how it is read
// into the model and written back. The loader accepts exactly these keys and reads through them
// (in this order, also when a key is absent, which gives its default); the saver writes through
// them. A key cannot be read and then lost on saving.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "control_json.h"
#include "file_json.h"
#include "project.h"
#include "project_file.h"

namespace plenorium::host::file_json {

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

struct ItemKindDescription {
  const char* type;
  ItemKind kind;
  std::vector<Field<Item>> fields;
};

// Solids, patterns, footage and compositions, with their keys.
const std::vector<ItemKindDescription>& itemKinds();
const ItemKindDescription& describedKind(ItemKind kind);
// A layer's keys, its effects among them.
const std::vector<Field<Layer>>& layerFields();
oj layerJson(const Layer& layer, const FieldOutput& o);

// The keys of a description, for checking an object against it.
template <class Object>
std::vector<std::string> keysOf(std::initializer_list<const char*> leading, const std::vector<Field<Object>>& fields) {
  std::vector<std::string> keys(leading.begin(), leading.end());
  for (const auto& f : fields) keys.push_back(f.key);
  return keys;
}

}  // namespace plenorium::host::file_json
