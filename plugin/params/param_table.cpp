#include "param_table.h"

namespace plenorium {
namespace {

constexpr PF_ValueDisplayFlags PERCENT = PF_ValueDisplayFlag_PERCENT;
constexpr PF_ParamFlags COLLAPSED = PF_ParamFlag_START_COLLAPSED;

constexpr ParamSpec group(int index, const char* name, int diskId, PF_ParamFlags flags = 0) {
  return {index, name, PF_Param_GROUP_START, diskId, flags, 0, {}, nullptr, 0, 0};
}
constexpr ParamSpec groupEnd(int index, int diskId) {
  return {index, "", PF_Param_GROUP_END, diskId, 0, 0, {}, nullptr, 0, 0};
}
constexpr ParamSpec slider(int index, const char* name, int diskId, SliderSpec s, PF_ValueDisplayFlags display = 0) {
  return {index, name, PF_Param_FLOAT_SLIDER, diskId, 0, display, s, nullptr, 0, 0};
}
constexpr ParamSpec popup(int index, const char* name, int diskId, const char* choices, short count, short dflt,
                          PF_ParamFlags flags) {
  return {index, name, PF_Param_POPUP, diskId, flags, 0, {}, choices, count, dflt};
}
constexpr ParamSpec simple(int index, const char* name, PF_ParamType type, int diskId) {
  return {index, name, type, diskId, 0, 0, {}, nullptr, 0, 0};
}

constexpr auto TABLE = std::to_array<ParamSpec>({
    group(PARAM_SOURCES_GROUP, "Sources", 37),
    popup(PARAM_SELECTION_METHOD, "Layer selection method", 38, "Manual|Automatic|Inner Comp", 3, SELECT_MANUAL,
          PF_ParamFlag_CANNOT_TIME_VARY | PF_ParamFlag_SUPERVISE),
    group(PARAM_LAYERS_GROUP, "Layers", 39),
    simple(PARAM_SOURCE_FIRST, "Source %d", PF_Param_LAYER, 40),
    groupEnd(PARAM_LAYERS_GROUP_END, 60),
    groupEnd(PARAM_SOURCES_GROUP_END, 61),
    slider(PARAM_COLUMNS, "Columns", 1, {5, 1, 100, 1, 100, 0}),
    slider(PARAM_ROWS, "Rows", 2, {4, 1, 100, 1, 100, 0}),
    simple(PARAM_WALL_POSITION, "Wall position", PF_Param_POINT, 3),
    slider(PARAM_GLOBAL_SCALE, "Global Scale", 4, {100, 0, 1000000, 0, 500, 2}),
    group(PARAM_GRID_GROUP, "Grid Settings", 5, COLLAPSED),
    slider(PARAM_SCREEN_WIDTH, "Screen Width", 6, {160, 0, 1920, 0, 1920, 0}),
    slider(PARAM_SCREEN_HEIGHT, "Screen Height", 7, {90, 0, 1080, 0, 1080, 0}),
    slider(PARAM_GAP_X, "Gap X", 8, {0, 0, 100, 0, 100, 0}),
    slider(PARAM_GAP_Y, "Gap Y", 9, {0, 0, 100, 0, 100, 0}),
    popup(PARAM_ALIGN_H, "Align Horizontal", 10, "Left|Center|Right", 3, 2, 0),
    popup(PARAM_ALIGN_V, "Align Vertical", 11, "Top|Center|Bottom", 3, 2, 0),
    group(PARAM_RANDOMIZE_GROUP, "Randomize", 12, COLLAPSED),
    simple(PARAM_RANDOM_ORDER, "Source order", PF_Param_CHECKBOX, 13),
    slider(PARAM_RANDOM_TIME, "Source time", 14, {0, 0, 1000, 0, 10, 2}),
    slider(PARAM_ORDER_SEED, "Order & Size Random seed", 76, {0, 0, 1000000, 0, 100, 0}),
    groupEnd(PARAM_RANDOMIZE_GROUP_END, 15),
    groupEnd(PARAM_GRID_GROUP_END, 16),
    group(PARAM_TRANSFORM_GROUP, "Screens Transform", 17, COLLAPSED),
    group(PARAM_CONTROLS_GROUP, "Controls", 21),
    group(PARAM_SCALE_GROUP, "Scale", 22, COLLAPSED),
    slider(PARAM_SCALE_X, "Scale X", 23, {100, 0, 1000000, 0, 100, 2}),
    slider(PARAM_SCALE_Y, "Scale Y", 24, {100, 0, 1000000, 0, 100, 2}),
    groupEnd(PARAM_SCALE_GROUP_END, 25),
    group(PARAM_ROTATION_GROUP, "Rotation", 26, COLLAPSED),
    simple(PARAM_ROTATE_X, "X", PF_Param_ANGLE, 27),
    slider(PARAM_ROTATE_X_RANDOM, "X randomize", 28, {0, -100, 100, -100, 100, 2}, PERCENT),
    simple(PARAM_ROTATE_Y, "Y", PF_Param_ANGLE, 29),
    slider(PARAM_ROTATE_Y_RANDOM, "Y randomize", 30, {0, -100, 100, -100, 100, 2}, PERCENT),
    simple(PARAM_ROTATE_Z, "Z", PF_Param_ANGLE, 31),
    slider(PARAM_ROTATE_Z_RANDOM, "Z randomize", 32, {0, -100, 100, -100, 100, 2}, PERCENT),
    groupEnd(PARAM_ROTATION_GROUP_END, 33),
    slider(PARAM_OPACITY, "Opacity", 34, {100, 0, 100, 0, 100, 2}, PERCENT),
    groupEnd(PARAM_CONTROLS_GROUP_END, 35),
    slider(PARAM_MASTER_CONTROL, "Master Control", DISK_ID_MASTER_CONTROL, {100, 0, 100, 0, 100, 1}, PERCENT),
    slider(PARAM_TIME_OFFSET, "Per screen time offset", 20, {0, 0, 1000, 0, 3, 2}),
    slider(PARAM_TRANSFORM_SEED, "Transform Random seed", DISK_ID_TRANSFORM_SEED, {0, 0, 1000000, 0, 100, 0}),
    groupEnd(PARAM_TRANSFORM_GROUP_END, 36),
    group(PARAM_FRAME_GROUP, "TV Frame", 62, COLLAPSED),
    popup(PARAM_FRAME_IMAGE, "Frame image", 63,
          "None|Flat 1|Flat 2|Flat 3|Flat 4|Flat 5|Flat 6|Flat 7|Flat 8|Retro|Custom", 11, FRAME_NONE,
          PF_ParamFlag_SUPERVISE),
    simple(PARAM_FRAME_LAYER, "Frame layer", PF_Param_LAYER, 64),
    group(PARAM_FIT_GROUP, "Fit in frame", 65),
    slider(PARAM_FIT_OFFSET_X, "Offset X", 66, {0, -100, 100, -100, 100, 0}, PERCENT),
    slider(PARAM_FIT_OFFSET_Y, "Offset Y", 67, {0, -100, 100, -100, 100, 0}, PERCENT),
    slider(PARAM_FIT_SCALE_X, "Scale X", 68, {100, 0, 100, 0, 100, 0}, PERCENT),
    slider(PARAM_FIT_SCALE_Y, "Scale Y", 69, {100, 0, 100, 0, 100, 0}, PERCENT),
    groupEnd(PARAM_FIT_GROUP_END, 70),
    groupEnd(PARAM_FRAME_GROUP_END, 71),
    slider(PARAM_EXPRESSION_DUMMY, "epxression dummy", 75, {0, 0, 1000000, 0, 100, 0}),
});

}  // namespace

std::span<const ParamSpec> paramTable() {
  return TABLE;
}

}  // namespace plenorium
