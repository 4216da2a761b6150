// The JSON project file: loading with one clear error per problem (file, JSON path, what was
// expected), and saving back with what effects changed.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "project.h"

namespace plenorium::host {

// The declared controls of the effect with this match name, or null when no such effect is loaded.
using SchemaLookup = std::function<const ParamSchema*(const std::string& matchName)>;

// Fills a footage item's size, rate and duration from its file; throws HostError when it cannot.
using FootageProbe = std::function<void(Item& item)>;

// Throws HostError naming the file and the JSON path of the first problem. Without a probe,
// footage items keep no size until something reads them.
Project loadProject(const std::string& path, const SchemaLookup& schemas, const FootageProbe& probe = nullptr);
Project parseProject(const nlohmann::json& document, const std::string& file, const std::string& folder,
                     const SchemaLookup& schemas, const FootageProbe& probe = nullptr);

// Where footage written as `path` in a project whose file lies in `folder` is read from.
std::string footagePathIn(const std::string& folder, const std::string& path);

// The files that a project file's footage items read upright, resolved as loading resolves them,
// found without loading the project (which needs the effect): for opening them while the effect
// loads. Whatever cannot be read is passed over; loading the project reports it.
std::vector<std::string> uprightFootageIn(const std::string& projectFile);

// `savedFolder`: where the file will be; relative footage paths are rebased onto it (empty: kept
// as they were written).
nlohmann::ordered_json projectToJson(const Project& project, const std::string& savedFolder = "");
// Writes atomically: a temporary file beside the target, then a rename.
void saveProject(const Project& project, const std::string& path);

// What a control takes from `value` written as in a project file (a number, true or false, a
// choice by name or number, [x, y], a layer's name or null): the value a user's change sets.
// Throws HostError "NAME: what was expected", and changes nothing, for a value the control does not
// take. Slider values past their valid range are brought into it.
StreamValue controlValueFrom(const DeclaredParam& param, const nlohmann::json& value, const Composition& comp);

// An effect instance with every control at its declared default, for a layer of the given size.
std::unique_ptr<EffectInstance> newEffectInstance(const std::string& matchName, const ParamSchema& schema,
                                                  int layerWidth, int layerHeight);

}  // namespace plenorium::host
