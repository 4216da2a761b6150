#include "source_selection.h"

#include <optional>

#include "effect_streams.h"
#include "param_index.h"

namespace plenorium {

AEGP_LayerIDVal isSourceLayerSet(PF_InData* in_data, int paramIndex) {
  HostSuites suites(in_data->pica_basicP);
  const EffectRef effect(suites, in_data->effect_ref);
  const ParamStream stream(suites.streamSuite9(), effect.get(), paramIndex);
  const StreamValue value(suites.streamSuite9(), stream.get(), A_Time{0, 1});
  return value.ok() ? value.value().layer_id : 0;
}

void findManualSources(PF_InData* in_data, WallLayout& layout) {
  layout.sourceParams.clear();
  for (int p = PARAM_SOURCE_FIRST; p <= PARAM_SOURCE_LAST; ++p) {
    if (isSourceLayerSet(in_data, p) != 0) layout.sourceParams.push_back(p);
  }
  layout.sourceCount = static_cast<std::int32_t>(layout.sourceParams.size());
}

namespace {

void setSourceLayer(HostSuites& suites, AEGP_EffectRefH effect, int paramIndex, AEGP_LayerIDVal id) {
  ParamStream stream(suites.streamSuite9(), effect, paramIndex);
  if (stream.get() == nullptr) return;
  AEGP_StreamValue2 value{};
  value.streamH = stream.get();
  value.val.layer_id = id;
  suites.streamSuite9()->AEGP_SetStreamValue(0, stream.get(), &value);
}

}  // namespace

void assignSourcesAutomatically(PF_InData* in_data, WallLayout& layout, std::vector<std::int32_t>& sourceParams) {
  HostSuites suites(in_data->pica_basicP);
  sourceParams.clear();
  layout.sourceCount = 0;

  const bool undoOpen = suites.utilitySuite11()->AEGP_StartUndoGroup("") == A_Err_NONE;
  AEGP_LayerH own = nullptr;
  const bool hasLayer =
      undoOpen && suites.pfInterfaceSuite1()->AEGP_GetEffectLayer(in_data->effect_ref, &own) == A_Err_NONE;
  std::optional<EffectRef> effect;
  if (hasLayer) effect.emplace(suites, in_data->effect_ref);
  const bool ready = effect && effect->get() != nullptr;

  if (ready) {
    AEGP_CompH comp = nullptr;
    A_long layerCount = 0;
    if (suites.layerSuite11()->AEGP_GetLayerParentComp(own, &comp) != A_Err_NONE ||
        suites.layerSuite11()->AEGP_GetCompNumLayers(comp, &layerCount) != A_Err_NONE) {
      layerCount = 0;
    }
    // Layers from the top, at most the first 21 (one of them may be the effect's own), while
    // fewer than twenty sources are found.
    for (A_long i = 0; i < layerCount && i <= SOURCE_LAYER_COUNT && layout.sourceCount < SOURCE_LAYER_COUNT; ++i) {
      AEGP_LayerH layer = nullptr;
      if (suites.layerSuite11()->AEGP_GetCompLayerByIndex(comp, i, &layer) != A_Err_NONE || layer == own) continue;
      AEGP_LayerIDVal id = 0;
      if (suites.layerSuite11()->AEGP_GetLayerID(layer, &id) != A_Err_NONE) continue;
      const int p = layout.sourceCount + PARAM_SOURCE_FIRST;
      setSourceLayer(suites, effect->get(), p, id);
      sourceParams.push_back(p);
      layout.sourceCount++;
    }
    for (int p = layout.sourceCount + PARAM_SOURCE_FIRST; p <= PARAM_SOURCE_LAST; ++p) {
      setSourceLayer(suites, effect->get(), p, 0);
    }
  }
  effect.reset();
  if (ready) suites.utilitySuite11()->AEGP_EndUndoGroup();
}

std::vector<A_long> innerCompLayers(HostSuites& suites, PF_ProgPtr effect_ref, PF_Err& err) {
  std::vector<A_long> indices;
  if (err != PF_Err_NONE) return indices;
  AEGP_LayerH own = nullptr;
  AEGP_ObjectType type = AEGP_ObjectType_NONE;
  err = suites.pfInterfaceSuite1()->AEGP_GetEffectLayer(effect_ref, &own);
  if (!err) err = suites.layerSuite13()->AEGP_GetLayerObjectType(own, &type);
  if (err || type != AEGP_ObjectType_AV) return indices;
  AEGP_ItemH item = nullptr;
  AEGP_ItemType itemType = AEGP_ItemType_NONE;
  err = suites.layerSuite13()->AEGP_GetLayerSourceItem(own, &item);
  if (!err) err = suites.itemSuite13()->AEGP_GetItemType(item, &itemType);
  if (err || itemType != AEGP_ItemType_COMP) return indices;
  AEGP_CompH comp = nullptr;
  A_long count = 0;
  err = suites.compSuite15()->AEGP_GetCompFromItem(item, &comp);
  if (!err) err = suites.layerSuite13()->AEGP_GetCompNumLayers(comp, &count);
  for (A_long i = 0; !err && i < count && i < INNER_COMP_LAYER_LIMIT; ++i) {
    AEGP_LayerH layer = nullptr;
    AEGP_ObjectType layerType = AEGP_ObjectType_NONE;
    err = suites.layerSuite13()->AEGP_GetCompLayerByIndex(comp, i, &layer);
    if (!err) err = suites.layerSuite13()->AEGP_GetLayerObjectType(layer, &layerType);
    if (!err && layerType == AEGP_ObjectType_AV) indices.push_back(i);
  }
  return indices;
}

}  // namespace plenorium
