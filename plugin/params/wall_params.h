// The checked-out parameter values of one pass, and typed reads of them.
#pragma once

#include <array>
#include <cmath>

#include "AE_Effect.h"
#include "param_index.h"

namespace plenorium {

using WallParams = std::array<PF_ParamDef, PARAM_COUNT>;

// A slider value; values that are not finite (reachable through expressions) read as 0, so that
// no later count, size or table index is built from them.
inline double sliderValue(const WallParams& params, ParamIndex index) {
  const double v = params[index].u.fs_d.value;
  return std::isfinite(v) ? v : 0.0;
}

inline int popupValue(const WallParams& params, ParamIndex index) {
  return params[index].u.pd.value;
}
inline bool checkboxValue(const WallParams& params, ParamIndex index) {
  return params[index].u.bd.value != 0;
}

}  // namespace plenorium
