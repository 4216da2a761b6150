// A small effect that exercises the host the way a real effect does: it declares a few controls,
// checks out its input and another layer one frame ahead, copies its input to the output and
// composites the other layer over it at the "Amount" opacity, and reads its own "Amount" stream
// through the stream suites. With "Leak" on it forgets to check the other layer back in, so that
// tests can see the host report it. It also calls a slot the host does not implement and passes a
// handle the host never gave out, and fails the render unless both are refused with an error.
#include <cstring>

#include "AE_EffectCB.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"

namespace {

enum { P_INPUT, P_AMOUNT, P_OTHER, P_WHERE, P_LEAK, P_COUNT };
constexpr A_long OTHER_ID = 7;

template <typename Suite>
const Suite* acquire(PF_InData* in, const char* name, int version) {
  const void* suite = nullptr;
  if (in->pica_basicP == nullptr || in->pica_basicP->AcquireSuite(name, version, &suite) != 0) return nullptr;
  return static_cast<const Suite*>(suite);
}

PF_Err globalSetup(PF_OutData* out) {
  out->my_version = PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 1);
  out->out_flags = PF_OutFlag_DEEP_COLOR_AWARE;
  out->out_flags2 = PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
  return PF_Err_NONE;
}

PF_Err paramsSetup(PF_InData* in, PF_OutData* out) {
  PF_ParamDef def;
  auto add = [&](PF_ParamType type, const char* name, int id) {
    std::strcpy(def.name, name);
    def.param_type = type;
    def.uu.id = id;
    return in->inter.add_param(in->effect_ref, -1, &def);
  };
  std::memset(&def, 0, sizeof(def));
  def.u.fs_d.value = 50;
  def.u.fs_d.dephault = 50;
  def.u.fs_d.valid_max = def.u.fs_d.slider_max = 100;
  if (PF_Err err = add(PF_Param_FLOAT_SLIDER, "Amount", 1)) return err;
  std::memset(&def, 0, sizeof(def));
  if (PF_Err err = add(PF_Param_LAYER, "Other", 2)) return err;
  std::memset(&def, 0, sizeof(def));
  def.u.td.x_dephault = def.u.td.y_dephault = 25 << 16;
  if (PF_Err err = add(PF_Param_POINT, "Where", 3)) return err;
  std::memset(&def, 0, sizeof(def));
  if (PF_Err err = add(PF_Param_CHECKBOX, "Leak", 4)) return err;
  out->num_params = P_COUNT;
  return PF_Err_NONE;
}

PF_Err preRender(PF_InData* in, PF_PreRenderExtra* extra) {
  PF_RenderRequest request = extra->input->output_request;
  PF_CheckoutResult result;
  PF_Err err = extra->cb->checkout_layer(in->effect_ref, P_INPUT, 0, &request, in->current_time, in->time_step,
                                         in->time_scale, &result);
  if (err) return err;
  extra->output->result_rect = result.result_rect;
  extra->output->max_result_rect = result.max_result_rect;
  PF_CheckoutResult other;
  return extra->cb->checkout_layer(in->effect_ref, P_OTHER, OTHER_ID, &request, in->current_time + in->time_step,
                                   in->time_step, in->time_scale, &other);
}

// Reads "Amount" through the stream suites, as effects that sample their controls over time do.
double amountFromStream(PF_InData* in) {
  double amount = -1;
  const auto* pfi = acquire<AEGP_PFInterfaceSuite1>(in, kAEGPPFInterfaceSuite, 1);
  const auto* streams = acquire<AEGP_StreamSuite4>(in, kAEGPStreamSuite, 9);
  const auto* effects = acquire<AEGP_EffectSuite3>(in, kAEGPEffectSuite, 3);
  if (pfi != nullptr && streams != nullptr && effects != nullptr) {
    AEGP_EffectRefH effect = nullptr;
    if (pfi->AEGP_GetNewEffectForEffect(0, in->effect_ref, &effect) == A_Err_NONE) {
      AEGP_StreamRefH stream = nullptr;
      if (streams->AEGP_GetNewEffectStreamByIndex(0, effect, P_AMOUNT, &stream) == A_Err_NONE) {
        AEGP_StreamValue2 value;
        const A_Time t{in->current_time, in->time_scale};
        if (streams->AEGP_GetNewStreamValue(0, stream, AEGP_LTimeMode_LayerTime, &t, false, &value) == A_Err_NONE) {
          amount = value.val.one_d;
          streams->AEGP_DisposeStreamValue(&value);
        }
        streams->AEGP_DisposeStream(stream);
      }
      effects->AEGP_DisposeEffect(effect);
    }
  }
  if (pfi) in->pica_basicP->ReleaseSuite(kAEGPPFInterfaceSuite, 1);
  if (streams) in->pica_basicP->ReleaseSuite(kAEGPStreamSuite, 9);
  if (effects) in->pica_basicP->ReleaseSuite(kAEGPEffectSuite, 3);
  return amount;
}

// A slot the host does not implement, and a layer handle it never handed out, must both be refused.
PF_Err probeRefusals(PF_InData* in) {
  const auto* layers = acquire<AEGP_LayerSuite7>(in, kAEGPLayerSuite, 13);
  if (layers == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  AEGP_LayerH active = nullptr;
  const A_Err unimplemented = layers->AEGP_GetActiveLayer(&active);
  int notALayer = 0;
  AEGP_LayerIDVal id = 0;
  const A_Err foreign = layers->AEGP_GetLayerID(reinterpret_cast<AEGP_LayerH>(&notALayer), &id);
  in->pica_basicP->ReleaseSuite(kAEGPLayerSuite, 13);
  return unimplemented != A_Err_NONE && foreign != A_Err_NONE ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

PF_Err smartRender(PF_InData* in, PF_SmartRenderExtra* extra) {
  if (PF_Err err = probeRefusals(in)) return err;
  PF_EffectWorld* input = nullptr;
  PF_EffectWorld* output = nullptr;
  PF_EffectWorld* other = nullptr;
  PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, 0, &input);
  if (!err) err = extra->cb->checkout_output(in->effect_ref, &output);
  if (!err) err = extra->cb->checkout_layer_pixels(in->effect_ref, OTHER_ID, &other);
  PF_ParamDef leak;
  std::memset(&leak, 0, sizeof(leak));
  if (!err)
    err = in->inter.checkout_param(in->effect_ref, P_LEAK, in->current_time, in->time_step, in->time_scale, &leak);
  const double amount = err ? 0 : amountFromStream(in);
  const auto* transform = acquire<PF_WorldTransformSuite1>(in, kPFWorldTransformSuite, 1);
  if (!err && transform == nullptr) err = PF_Err_BAD_CALLBACK_PARAM;
  if (!err) {
    PF_CompositeMode copy{PF_Xfer_COPY, 0, 255, 0, 0};
    err = transform->transfer_rect(in->effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, input,
                                   &copy, nullptr, 0, 0, output);
  }
  if (!err && other != nullptr) {
    PF_FloatMatrix identity{};
    identity.mat[0][0] = identity.mat[1][1] = identity.mat[2][2] = 1;
    PF_CompositeMode over{PF_Xfer_IN_FRONT, 1, static_cast<A_u_char>(amount / 100.0 * 255.0), 0, 0};
    err = transform->transform_world(in->effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, other, &over,
                                     nullptr, &identity, 1, true, nullptr, output);
  }
  if (transform) in->pica_basicP->ReleaseSuite(kPFWorldTransformSuite, 1);
  const bool leaking = leak.u.bd.value != 0;
  in->inter.checkin_param(in->effect_ref, &leak);
  if (!leaking) extra->cb->checkin_layer_pixels(in->effect_ref, OTHER_ID);
  return err;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in, PF_OutData* out,
                                                                        PF_ParamDef*[], PF_LayerDef*, void* extra) {
  switch (cmd) {
    case PF_Cmd_GLOBAL_SETUP: return globalSetup(out);
    case PF_Cmd_PARAMS_SETUP: return paramsSetup(in, out);
    case PF_Cmd_SMART_PRE_RENDER: return preRender(in, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER: return smartRender(in, static_cast<PF_SmartRenderExtra*>(extra));
    default: return PF_Err_NONE;
  }
}
