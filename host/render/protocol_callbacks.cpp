#include "protocol_callbacks.h"

#include <cmath>
#include <numeric>

#include "c_boundary.h"
#include "effect_driver.h"
#include "host_error.h"
#include "host_units.h"
#include "render_session.h"

namespace plenorium::host {
namespace {

constexpr const char* PARAM_CHECKOUT = "parameter checkout";
constexpr const char* LAYER_CHECKOUT = "layer checkout";

PF_RationalScale rationalOf(double value) {
  const auto num = static_cast<A_long>(std::lround(value * 1000.0));
  const A_long g = std::gcd(num, 1000);
  return {num / std::max<A_long>(g, 1), static_cast<A_u_long>(1000 / std::max<A_long>(g, 1))};
}

// The layer a layer parameter names at `seconds`, in the composition of the effect's layer.
const Layer* layerParamTarget(const EffectContext& c, int index, double seconds) {
  const Stream& s = c.effect->params.at(static_cast<std::size_t>(index));
  const int id = static_cast<int>(s.valueAt(seconds)[0]);
  return id == 0 ? nullptr : c.layer->parent->layerById(id);
}

// Effect references reach these functions only after the boundary has checked them.
PF_Err checkoutParam(Call& call, PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                     PF_ParamDef* param) {
  call.note("index", index);
  call.note("time", time);
  call.note("step", step);
  call.note("scale", scale);
  EffectContext* c = contextOf(ref);
  if (c->effect == nullptr || param == nullptr || scale == 0) return PF_Err_BAD_CALLBACK_PARAM;
  if (index < 0 || index >= static_cast<A_long>(c->effect->params.size())) return PF_Err_INVALID_INDEX;
  *param = paramDefAt(*c, index, static_cast<double>(time) / scale);
  call.host().accounting().take(PARAM_CHECKOUT);
  return PF_Err_NONE;
}

PF_Err checkinParam(Call& call, PF_ProgPtr, PF_ParamDef* param) {
  if (param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  call.host().accounting().give(PARAM_CHECKOUT);
  return PF_Err_NONE;
}

PF_Err checkoutLayer(Call& call, PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest*, A_long time,
                     A_long step, A_u_long scale, PF_CheckoutResult* result) {
  call.note("index", index);
  call.note("id", id);
  call.note("time", time);
  call.note("step", step);
  call.note("scale", scale);
  EffectContext* c = contextOf(ref);
  PF_Err err = PF_Err_NONE;
  if (c->effect == nullptr || c->input == nullptr || result == nullptr || scale == 0) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else if (index < 0 || index >= static_cast<A_long>(c->effect->params.size()) ||
             (index != 0 && c->effect->schema->at(index).def.param_type != PF_Param_LAYER)) {
    err = PF_Err_INVALID_INDEX;
  } else if (c->checkouts.count(id) != 0) {
    err = PF_Err_BAD_CALLBACK_PARAM;  // one id, one request
  } else {
    auto checkout = std::make_unique<LayerCheckout>();
    checkout->index = index;
    checkout->time = time;
    checkout->step = step;
    checkout->scale = scale;
    *result = PF_CheckoutResult{};
    if (index == 0) {
      checkout->layer = c->layer;
      result->result_rect = {0, 0, c->input->width(), c->input->height()};
    } else {
      checkout->layer = layerParamTarget(*c, index, static_cast<double>(time) / scale);
      if (checkout->layer != nullptr) {
        const int ds = c->settings.downsample;
        result->result_rect = {0, 0, scaledSize(checkout->layer->width(), ds),
                               scaledSize(checkout->layer->height(), ds)};
      }
    }
    result->max_result_rect = result->result_rect;
    result->par = {1, 1};
    if (checkout->layer != nullptr) {
      result->ref_width = checkout->layer->width();
      result->ref_height = checkout->layer->height();
    }
    c->checkouts.emplace(id, std::move(checkout));
  }
  return err;
}

PF_Err guidMixIn(Call&, PF_ProgPtr, A_u_long, const void*) {
  return PF_Err_NONE;
}

PF_Err checkoutLayerPixels(Call& call, PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels) {
  call.note("id", id);
  EffectContext* c = contextOf(ref);
  PF_Err err = PF_Err_NONE;
  const auto it = c->checkouts.find(id);
  if (pixels == nullptr) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else if (it == c->checkouts.end()) {
    err = PF_Err_BAD_CALLBACK_PARAM;  // never requested in pre-render
    *pixels = nullptr;
  } else {
    LayerCheckout& k = *it->second;
    *pixels = nullptr;
    if (k.layer != nullptr) {
      if (!k.checkedOut) {
        if (k.index == 0) {
          k.view = c->input->view();
        } else {
          try {
            const double compTime = c->layer->startTime + static_cast<double>(k.time) / k.scale;
            // The effect's own layer, named by a layer control, is its source before its effects,
            // as the host application gives it: a wall of itself, without rendering itself again.
            k.world = k.layer == c->layer
                          ? c->session->renderLayerSource(*k.layer, k.layer->layerTime(compTime), c->settings)
                          : c->session->renderLayerPixels(*k.layer, k.layer->layerTime(compTime), c->settings);
            k.view = (*k.world)->view();
          } catch (const HostError& e) {
            c->refusal = e.what();
            err = PF_Interrupt_CANCEL;
          }
        }
        if (err == PF_Err_NONE) {
          k.checkedOut = true;
          // The input is the host's own picture of this layer, lent for the render and taken back
          // with it; other layers are rendered for the effect and should be checked in.
          if (k.index != 0) {
            call.host().accounting().take(LAYER_CHECKOUT);
          }
        }
      }
      if (err == PF_Err_NONE) *pixels = &k.view;
    }
  }
  call.note("null", pixels == nullptr || *pixels == nullptr);
  return err;
}

PF_Err checkinLayerPixels(Call& call, PF_ProgPtr ref, A_long id) {
  call.note("id", id);
  EffectContext* c = contextOf(ref);
  PF_Err err = PF_Err_NONE;
  auto it = c->checkouts.find(id);
  if (it == c->checkouts.end()) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else if (it->second->checkedOut) {
    it->second->checkedOut = false;
    it->second->world.reset();
    if (it->second->index != 0) call.host().accounting().give(LAYER_CHECKOUT);
  }
  return err;
}

PF_Err checkoutOutput(Call&, PF_ProgPtr ref, PF_EffectWorld** output) {
  EffectContext* c = contextOf(ref);
  PF_Err err = PF_Err_NONE;
  if (output == nullptr || c->session == nullptr || c->input == nullptr) {
    err = PF_Err_BAD_CALLBACK_PARAM;
  } else {
    if (!c->output) {
      const PF_LRect& r = c->resultRect;
      const bool empty = r.right <= r.left || r.bottom <= r.top;
      const A_long w = empty ? c->input->width() : r.right - r.left;
      const A_long h = empty ? c->input->height() : r.bottom - r.top;
      c->output = OwnedWorld(c->session->pixels(), c->session->pixels().create(c->settings.depth, w, h));
      c->outputView = c->output->view();
      c->outputView.origin_x = empty ? 0 : r.left;
      c->outputView.origin_y = empty ? 0 : r.top;
    }
    *output = &c->outputView;
  }
  return err;
}

PF_Err addParam(Call& call, PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
  call.note("index", index);
  call.note("type", def != nullptr ? def->param_type : -1);
  EffectContext* c = contextOf(ref);
  return c->driver != nullptr ? c->driver->addParam(index, def) : PF_Err_BAD_CALLBACK_PARAM;
}

const PF_InteractCallbacks INTERACT_CALLBACKS{
    PLENORIUM_SERVE(PF_InteractCallbacks, checkout_param, checkoutParam),
    PLENORIUM_SERVE(PF_InteractCallbacks, checkin_param, checkinParam),
    PLENORIUM_SERVE(PF_InteractCallbacks, add_param, addParam),
    PLENORIUM_ABSENT(PF_InteractCallbacks, abort),
    PLENORIUM_ABSENT(PF_InteractCallbacks, progress),
    PLENORIUM_ABSENT(PF_InteractCallbacks, register_ui),
    PLENORIUM_ABSENT(PF_InteractCallbacks, checkout_layer_audio),
    PLENORIUM_ABSENT(PF_InteractCallbacks, checkin_layer_audio),
    PLENORIUM_ABSENT(PF_InteractCallbacks, get_audio_data),
    .reserved_str = {},
    .reserved = {},
};

const PF_PreRenderCallbacks PRE_RENDER_CALLBACKS{
    PLENORIUM_SERVE(PF_PreRenderCallbacks, checkout_layer, checkoutLayer),
    PLENORIUM_SERVE(PF_PreRenderCallbacks, GuidMixInPtr, guidMixIn),
};

const PF_SmartRenderCallbacks SMART_RENDER_CALLBACKS{
    PLENORIUM_SERVE(PF_SmartRenderCallbacks, checkout_layer_pixels, checkoutLayerPixels),
    PLENORIUM_SERVE(PF_SmartRenderCallbacks, checkin_layer_pixels, checkinLayerPixels),
    PLENORIUM_SERVE(PF_SmartRenderCallbacks, checkout_output, checkoutOutput),
};

}  // namespace

const PF_InteractCallbacks& interactCallbacks() {
  return INTERACT_CALLBACKS;
}

void fillFrameInData(PF_InData& in, const EffectContext& context, double layerTime) {
  const Composition& comp = *context.layer->parent;
  const A_u_long scale = comp.rate.timeScale;
  in.time_scale = scale;
  in.time_step = comp.rate.frameTicks;
  in.local_time_step = comp.rate.frameTicks;
  in.current_time = timeValueOf(layerTime, scale);
  in.total_time = timeValueOf(comp.duration, scale);
  in.width = context.layer->width();
  in.height = context.layer->height();
  in.extent_hint = {0, 0, context.input != nullptr ? context.input->width() : 0,
                    context.input != nullptr ? context.input->height() : 0};
  in.downsample_x = in.downsample_y = PF_RationalScale{1, static_cast<A_u_long>(context.settings.downsample)};
  in.pixel_aspect_ratio = rationalOf(comp.pixelAspect);
  in.num_params = static_cast<A_long>(context.effect->params.size());
  in.quality = PF_Quality_HI;
  in.field = PF_Field_FRAME;
}

PF_PreRenderCallbacks preRenderCallbacks() {
  return PRE_RENDER_CALLBACKS;
}

PF_SmartRenderCallbacks smartRenderCallbacks() {
  return SMART_RENDER_CALLBACKS;
}

void releaseCheckouts(EffectContext& context) {
  for (auto& [id, checkout] : context.checkouts) checkout->world.reset();
  context.checkouts.clear();
}

PF_ParamDef paramDefAt(const EffectContext& context, int index, double seconds) {
  const DeclaredParam& declared = context.effect->schema->at(index);
  PF_ParamDef def = declared.def;
  const Stream& stream = context.effect->params.at(static_cast<std::size_t>(index));
  const StreamValue v = context.session != nullptr && context.layer != nullptr
                            ? context.session->streamValue(*context.layer, context.effect, index, stream, seconds)
                            : stream.valueAt(seconds);
  switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER: def.u.fs_d.value = v[0]; break;
    case PF_Param_ANGLE: def.u.ad.value = toFixed(v[0]); break;
    case PF_Param_CHECKBOX: def.u.bd.value = v[0] != 0 ? 1 : 0; break;
    case PF_Param_POPUP:
      def.u.pd.value = static_cast<PF_ParamValue>(std::lround(v[0]));
      def.u.pd.u.namesptr = declared.choices.c_str();
      break;
    case PF_Param_SLIDER: def.u.sd.value = static_cast<PF_ParamValue>(std::lround(v[0])); break;
    case PF_Param_POINT: {
      const double ds = context.settings.downsample;
      def.u.td.x_value = toFixed(v[0] / ds);
      def.u.td.y_value = toFixed(v[1] / ds);
      break;
    }
    case PF_Param_LAYER: def.u.ld = PF_LayerDef{}; break;  // layers are reached through checkouts
    default: break;
  }
  return def;
}

ParamValues::ParamValues(const EffectContext& context, double seconds) {
  const auto count = context.effect->params.size();
  defs_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) defs_.push_back(paramDefAt(context, static_cast<int>(i), seconds));
  for (PF_ParamDef& d : defs_) pointers_.push_back(&d);
}

}  // namespace plenorium::host
