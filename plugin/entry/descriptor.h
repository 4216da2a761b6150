// What the effect declares about itself: the same values go into the module's descriptor and
// into the answer to global set-up, and the host checks that the two agree.
#pragma once

#include <cstdint>

#include "AE_Effect.h"

namespace plenorium {

inline constexpr const char* EFFECT_NAME = "Plenorium Maker";
inline constexpr const char* EFFECT_CATEGORY = "Quorvix";
inline constexpr const char* EFFECT_MATCH_NAME = "KTRM_Plenorium";
inline constexpr const char* ENTRY_POINT_NAME = "EntryPointFunc";
inline constexpr const char* PLUGIN_NAME = "Plenorium";
inline constexpr const char* PLUGIN_FILE_NAME = "Plenorium.aex";

inline constexpr int MAJOR_VERSION = 1;
inline constexpr int MINOR_VERSION = 0;
inline constexpr int BUG_VERSION = 0;
inline constexpr int STAGE_VERSION = PF_Stage_DEVELOP;
inline constexpr int BUILD_VERSION = 18;

inline constexpr std::uint32_t VERSION_WORD =
    PF_VERSION(MAJOR_VERSION, MINOR_VERSION, BUG_VERSION, STAGE_VERSION, BUILD_VERSION);
static_assert(VERSION_WORD == 0x00080012u);

inline constexpr std::int32_t OUT_FLAGS = PF_OutFlag_KEEP_RESOURCE_OPEN | PF_OutFlag_WIDE_TIME_INPUT |
                                          PF_OutFlag_I_USE_SHUTTER_ANGLE | PF_OutFlag_DEEP_COLOR_AWARE |
                                          PF_OutFlag_SEND_UPDATE_PARAMS_UI;
static_assert(OUT_FLAGS == 0x06080003);

inline constexpr std::int32_t OUT_FLAGS2 =
    PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG | PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
static_assert(OUT_FLAGS2 == 0x00001408);

// Versions of the descriptor layout and of the effect interface the module is written against.
inline constexpr std::uint16_t PIPL_VERSION_MAJOR = 2;
inline constexpr std::uint16_t PIPL_VERSION_MINOR = 0;
inline constexpr std::uint16_t SPEC_VERSION_MAJOR = 13;
inline constexpr std::uint16_t SPEC_VERSION_MINOR = 0;

}  // namespace plenorium
