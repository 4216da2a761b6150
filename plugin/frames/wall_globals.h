// The effect's global record, kept in the host's global-data handle between commands.
#pragma once

#include "AE_EffectCB.h"
#include "AE_GeneralPlug.h"
#include "frame_image.h"

namespace plenorium {

struct WallGlobals {
  AEGP_PluginID pluginId;
  char pluginPath[AEFX_MAX_PATH];
  FrameImage frames[FRAME_IMAGE_COUNT];
};

// The record behind `in_data->global_data`, or null when global set-up did not provide one.
inline WallGlobals* wallGlobals(const PF_InData* in_data) {
  if (in_data == nullptr || in_data->global_data == nullptr) return nullptr;
  return static_cast<WallGlobals*>(*in_data->global_data);
}

}  // namespace plenorium
