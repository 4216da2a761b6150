// Every control of the effect, declared once. Parameter set-up and the tests read this table.
#pragma once

#include <array>
#include <span>

#include "AE_Effect.h"
#include "param_index.h"

namespace plenorium {

struct SliderSpec {
  double dflt, validMin, validMax, sliderMin, sliderMax;
  short precision;
};

struct ParamSpec {
  int index;
  const char* name;  // "" for group ends; "Source %d" is formatted per source layer
  PF_ParamType type;
  int diskId;
  PF_ParamFlags flags;
  PF_ValueDisplayFlags displayFlags;
  SliderSpec slider;    // float sliders
  const char* choices;  // popups: '|'-separated
  short numChoices;     // popups
  short popupDefault;   // popups, 1-based
};

// Disk ids chosen for the two controls that had none; saved projects store values under them.
inline constexpr int DISK_ID_MASTER_CONTROL = 18;
inline constexpr int DISK_ID_TRANSFORM_SEED = 19;

// Entries for indices 1..73 in order; the twenty source layers are expanded from one entry per
// source (index 4..23, disk id 40..59).
std::span<const ParamSpec> paramTable();

}  // namespace plenorium
