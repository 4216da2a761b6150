#include "pre_render.h"

#include <cmath>
#include <cstring>

#include "host_suites.h"
#include "param_checkouts.h"
#include "pre_render_data.h"
#include "source_selection.h"
#include "wall_layout.h"

namespace plenorium {
namespace {

// Every source layer up to this size is requested whole.
constexpr A_long WHOLE_LAYER = 30000;

bool isEmptyRect(const PF_LRect& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

void unionRect(const PF_LRect& src, PF_LRect& dst) {
  if (isEmptyRect(dst)) {
    dst = src;
  } else if (!isEmptyRect(src)) {
    dst.left = std::min(dst.left, src.left);
    dst.top = std::min(dst.top, src.top);
    dst.right = std::max(dst.right, src.right);
    dst.bottom = std::max(dst.bottom, src.bottom);
  }
}

// Whole frames ahead for a source time, rounded half away from zero, in single precision.
A_long framesAhead(A_u_long timeScale, A_long timeStep, float sourceTime) {
  if (timeStep == 0) return 0;
  const float fps = static_cast<float>(timeScale) / static_cast<float>(timeStep);
  const float frames = fps * sourceTime;
  const float rounded = frames >= 0.0f ? std::floor(frames + 0.5f) : std::ceil(frames - 0.5f);
  if (!std::isfinite(rounded) || std::fabs(rounded) > 1e8f) return 0;
  return static_cast<A_long>(rounded);
}

}  // namespace

A_long sourceCheckoutTime(const PF_InData& in_data, float sourceTime) {
  return framesAhead(in_data.time_scale, in_data.time_step, sourceTime) * in_data.time_step + in_data.current_time;
}

PF_Err smartPreRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_PreRenderExtra* extra) {
  HostSuites suites(in_data->pica_basicP);
  if (extra == nullptr || extra->input == nullptr || extra->output == nullptr || extra->cb == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  PF_RenderRequest request = extra->input->output_request;
  request.preserve_rgb_of_zero_alpha = true;

  // The source count travels to the render in a host handle the host disposes after the render.
  PF_Handle handle = suites.handleSuite2()->host_new_handle(sizeof(PreRenderData));
  if (handle == nullptr) return PF_Err_OUT_OF_MEMORY;
  auto* data = static_cast<PreRenderData*>(suites.handleSuite2()->host_lock_handle(handle));
  if (data == nullptr) {
    suites.handleSuite2()->host_dispose_handle(handle);
    return PF_Err_OUT_OF_MEMORY;
  }
  data->sourceCount = 0;
  data->reserved = 0;
  data->disposeHandle = suites.handleSuite2()->host_dispose_handle;
  suites.handleSuite2()->host_unlock_handle(handle);
  extra->output->pre_render_data = handle;
  extra->output->delete_pre_render_data_func = &deletePreRenderData;

  request.channel_mask = PF_ChannelMask_ARGB;
  PF_CheckoutResult input{};
  PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_INPUT, 0, &request, in_data->current_time,
                                         in_data->time_step, in_data->time_scale, &input);
  if (!err) {
    unionRect(input.result_rect, extra->output->result_rect);
    unionRect(input.max_result_rect, extra->output->max_result_rect);
  }

  ParamCheckouts params(in_data);
  WallLayout layout;
  switch (popupValue(params.values(), PARAM_SELECTION_METHOD)) {
    case SELECT_MANUAL: findManualSources(in_data, layout); break;
    case SELECT_AUTOMATIC: assignSourcesAutomatically(in_data, layout, layout.sourceParams); break;
    case SELECT_INNER_COMP:
      layout.sourceCount = static_cast<std::int32_t>(innerCompLayers(suites, in_data->effect_ref, err).size());
      break;
    default: break;
  }
  data->sourceCount = layout.sourceCount;
  layout.controls = readWallControls(params.values());
  layout.groups = sourceGroupsFor(layout.controls, layout.sourceCount, *in_data);

  const int method = popupValue(params.values(), PARAM_SELECTION_METHOD);
  if (method == SELECT_MANUAL || method == SELECT_AUTOMATIC) {
    request.rect = PF_LRect{0, 0, WHOLE_LAYER, WHOLE_LAYER};
    for (std::size_t k = 0; k < layout.groups.size() && !err; ++k) {
      const SourceGroup& group = layout.groups[k];
      PF_CheckoutResult source{};
      err = extra->cb->checkout_layer(
          in_data->effect_ref, layout.sourceParams.at(static_cast<std::size_t>(group.sourceIndex)),
          static_cast<A_long>(SOURCE_CHECKOUT_BASE + k), &request, sourceCheckoutTime(*in_data, group.sourceTime),
          in_data->time_step, in_data->time_scale, &source);
    }
  }
  if (!err && popupValue(params.values(), PARAM_FRAME_IMAGE) == FRAME_CUSTOM) {
    PF_CheckoutResult frame{};
    err = extra->cb->checkout_layer(in_data->effect_ref, PARAM_FRAME_LAYER, FRAME_LAYER_CHECKOUT, &request,
                                    in_data->current_time, in_data->time_step, in_data->time_scale, &frame);
  }
  return err;
}

}  // namespace plenorium
