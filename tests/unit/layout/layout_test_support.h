// Parameter records and host records as a pass sees them, set to the controls' defaults.
#pragma once

#include <cstring>

#include "AE_Effect.h"
#include "host_units.h"
#include "wall_params.h"

namespace plenorium::test {

// A point carried through a matrix as the host carries it: a row vector (x, y, 1) times M.
struct Point {
  double x, y;
};
inline Point apply(const PF_FloatMatrix& m, double x, double y) {
  return {x * m.mat[0][0] + y * m.mat[1][0] + m.mat[2][0], x * m.mat[0][1] + y * m.mat[1][1] + m.mat[2][1]};
}

inline WallParams defaultWallParams() {
  WallParams p;
  std::memset(p.data(), 0, sizeof(PF_ParamDef) * p.size());
  auto slider = [&](ParamIndex i, double v) { p[i].u.fs_d.value = v; };
  slider(PARAM_COLUMNS, 5);
  slider(PARAM_ROWS, 4);
  slider(PARAM_GLOBAL_SCALE, 100);
  slider(PARAM_SCREEN_WIDTH, 160);
  slider(PARAM_SCREEN_HEIGHT, 90);
  slider(PARAM_SCALE_X, 100);
  slider(PARAM_SCALE_Y, 100);
  slider(PARAM_OPACITY, 100);
  slider(PARAM_MASTER_CONTROL, 100);
  slider(PARAM_FIT_SCALE_X, 100);
  slider(PARAM_FIT_SCALE_Y, 100);
  p[PARAM_SELECTION_METHOD].u.pd.value = SELECT_MANUAL;
  p[PARAM_ALIGN_H].u.pd.value = 2;
  p[PARAM_ALIGN_V].u.pd.value = 2;
  p[PARAM_FRAME_IMAGE].u.pd.value = FRAME_NONE;
  return p;
}

// A 1920 × 1080 layer at 25 fps, full resolution, square pixels.
inline PF_InData defaultInData() {
  PF_InData in{};
  in.time_scale = 25;
  in.time_step = 1;
  in.local_time_step = 1;
  in.downsample_x = in.downsample_y = in.pixel_aspect_ratio = PF_RationalScale{1, 1};
  in.width = 1920;
  in.height = 1080;
  return in;
}

inline void setWallPosition(WallParams& p, double x, double y) {
  p[PARAM_WALL_POSITION].u.td.x_value = static_cast<PF_Fixed>(x * FIXED_ONE);
  p[PARAM_WALL_POSITION].u.td.y_value = static_cast<PF_Fixed>(y * FIXED_ONE);
}

}  // namespace plenorium::test
