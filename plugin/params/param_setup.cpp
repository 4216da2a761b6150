#include "param_setup.h"

#include <cstdio>
#include <cstring>

#include "AE_EffectCB.h"
#include "host_suites.h"
#include "param_table.h"

namespace plenorium {
namespace {

constexpr PF_Fixed LAYER_CENTRE_PERCENT = 50 << 16;
constexpr float CURVE_TOLERANCE = 0.05f;

void fillDefinition(const ParamSpec& spec, PF_ParamDef& def) {
  def.param_type = spec.type;
  def.flags = spec.flags;
  def.uu.id = spec.diskId;
  switch (spec.type) {
    case PF_Param_FLOAT_SLIDER: {
      PF_FloatSliderDef& fs = def.u.fs_d;
      fs.value = spec.slider.dflt;
      fs.dephault = static_cast<PF_FpShort>(spec.slider.dflt);
      fs.valid_min = static_cast<PF_FpShort>(spec.slider.validMin);
      fs.valid_max = static_cast<PF_FpShort>(spec.slider.validMax);
      fs.slider_min = static_cast<PF_FpShort>(spec.slider.sliderMin);
      fs.slider_max = static_cast<PF_FpShort>(spec.slider.sliderMax);
      fs.precision = spec.slider.precision;
      fs.display_flags = spec.displayFlags;
      fs.curve_tolerance = CURVE_TOLERANCE;
      break;
    }
    case PF_Param_POPUP:
      def.u.pd.num_choices = spec.numChoices;
      def.u.pd.dephault = spec.popupDefault;
      def.u.pd.value = spec.popupDefault;
      def.u.pd.u.namesptr = spec.choices;
      break;
    case PF_Param_POINT:
      def.u.td.x_value = def.u.td.x_dephault = LAYER_CENTRE_PERCENT;
      def.u.td.y_value = def.u.td.y_dephault = LAYER_CENTRE_PERCENT;
      break;
    case PF_Param_CHECKBOX: def.u.bd.u.nameptr = ""; break;
    case PF_Param_LAYER: def.u.ld.dephault = PF_LayerDefault_NONE; break;
    default: break;
  }
}

PF_Err addOne(PF_InData* in_data, const ParamSpec& spec, const char* name, int diskId) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof(def));
  fillDefinition(spec, def);
  def.uu.id = diskId;
  in_data->utils->ansi.strcpy(def.name, name);
  return in_data->inter.add_param(in_data->effect_ref, -1, &def);
}

}  // namespace

PF_Err setupParameters(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
  HostSuites suites(in_data->pica_basicP);
  for (const ParamSpec& spec : paramTable()) {
    if (spec.index == PARAM_SOURCE_FIRST) {
      for (int n = 1; n <= SOURCE_LAYER_COUNT; ++n) {
        char name[PF_MAX_EFFECT_PARAM_NAME_LEN + 1];
        std::snprintf(name, sizeof(name), spec.name, n);
        if (PF_Err err = addOne(in_data, spec, name, spec.diskId + n - 1)) return err;
      }
      continue;
    }
    if (PF_Err err = addOne(in_data, spec, spec.name, spec.diskId)) return err;
  }
  out_data->num_params = PARAM_COUNT;
  return PF_Err_NONE;
}

}  // namespace plenorium
