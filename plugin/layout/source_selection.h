// Finding the wall's sources: the chosen source layers ("Manual"), the composition's own layers
// assigned from the top ("Automatic"), or the AV layers of the composition nested in the effect's
// layer ("Inner Comp").
#pragma once

#include <vector>

#include "AE_Effect.h"
#include "host_suites.h"
#include "wall_layout.h"

namespace plenorium {

// Inner compositions are looked at up to this many layers.
inline constexpr int INNER_COMP_LAYER_LIMIT = 1000;

// The id of the layer chosen in layer control `paramIndex`, read at time 0; 0 when none or when
// the host cannot say.
AEGP_LayerIDVal isSourceLayerSet(PF_InData* in_data, int paramIndex);

// Manual: the source controls that have a layer, in control order.
void findManualSources(PF_InData* in_data, WallLayout& layout);

// Automatic: writes the composition's layers from the top (skipping the effect's own layer) into
// the twenty source controls, clears the rest, in one undo group; fills `sourceCount` and
// `sourceParams`.
void assignSourcesAutomatically(PF_InData* in_data, WallLayout& layout, std::vector<std::int32_t>& sourceParams);

// Inner Comp: the indices of the AV layers among the first 1000 layers of the composition that
// is the effect layer's source. Empty when the source is not a composition. The first host error
// is returned through `err` and ends the walk.
std::vector<A_long> innerCompLayers(HostSuites& suites, PF_ProgPtr effect_ref, PF_Err& err);

}  // namespace plenorium
