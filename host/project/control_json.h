// An effect's controls in a project file: read by the control's declared type (sliders clamped
// to their range with a notice, popups by choice or number, points in pixels or shares of the
// layer, layers by name, resolved once the composition's layers are known), and written back as
// the controls that differ from their defaults. Private to host/project.
#pragma once

#include <string>
#include <vector>

#include "file_json.h"
#include "param_schema.h"
#include "project.h"
#include "project_file.h"

namespace plenorium::host::file_json {

// A layer control names its layer, which is looked up once the composition's layers are read.
struct PendingLayerParam {
  Layer* layer;
  Stream* stream;
  std::string name;
  std::string path;
};

std::vector<std::string> splitChoices(const std::string& choices);
StreamValue defaultValue(const DeclaredParam& p, int layerWidth, int layerHeight);

void readControl(const Context& c, const DeclaredParam& param, const json& value, const std::string& path,
                 Stream& stream, Layer& layer, std::vector<PendingLayerParam>& pending);
// The "effects" list of a layer.
void readEffects(const Context& c, const SchemaLookup& schemas, const json& effects, const std::string& path,
                 Layer& layer, std::vector<PendingLayerParam>& pending);
// The controls that differ from their declared defaults.
oj effectJson(const EffectInstance& e, const Layer& layer);

}  // namespace plenorium::host::file_json
