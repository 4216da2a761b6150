// Keeps the effect controls consistent with the current choices: the source layers show only for
// "Manual", "Frame layer" only for "Custom", the helper control stays hidden and carries an
// expression that follows the composition's layer count.
#pragma once

#include <string>

#include "AE_Effect.h"
#include "host_suites.h"
#include "param_index.h"

namespace plenorium {

// The expression installed on "epxression dummy", before its four numbers are filled in.
inline constexpr const char* LAYER_COUNT_EXPRESSION =
    "try {\tswitch(thisProperty.propertyGroup(countUp = 1)(%d).value) {\t\tcase %d:\t\t\t0;\t\t\tbreak;\t\tcase "
    "%d:\t\t\tthisComp.numLayers;\t\t\tbreak;\t\tcase %d:\t\t\t0;\t\t\tbreak;\t}} catch(err) { 0; }";

// The expression with its numbers: the method control and the three methods.
std::string layerCountExpression();

PF_Err UpdateParameterVisibility(PF_InData* in_data, PF_ParamDef* params[]);
void SetParamHidden(HostSuites& suites, AEGP_EffectRefH effect, int index, bool hidden);
void InstallLayerCountExpression(HostSuites& suites, AEGP_EffectRefH effect);

}  // namespace plenorium
