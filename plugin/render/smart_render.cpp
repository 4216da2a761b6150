#include "smart_render.h"

#include <cmath>
#include <vector>

#include "AE_EffectCB.h"
#include "frame_overlay.h"
#include "param_checkouts.h"
#include "pre_render.h"
#include "pre_render_data.h"
#include "render_pass.h"
#include "screen_compositor.h"
#include "screen_sampling.h"
#include "screen_transform.h"
#include "source_selection.h"
#include "wall_geometry.h"

namespace plenorium {
namespace {

int depthCodeOf(PF_PixelFormat format) {
  switch (format) {
    case PF_PixelFormat_ARGB32: return 1;
    case PF_PixelFormat_ARGB64: return 2;
    case PF_PixelFormat_ARGB128: return 3;
    default: return 0;
  }
}

// The output's pixel format, through a suite acquired for this one question.
int outputDepth(PF_InData* in_data, PF_EffectWorld* output, PF_Err& err) {
  const void* suite = nullptr;
  SPBasicSuite* basic = in_data->pica_basicP;
  if (basic->AcquireSuite(kPFWorldSuite, kPFWorldSuiteVersion2, &suite) != kSPNoError || suite == nullptr) {
    throw MissingSuite{};
  }
  PF_PixelFormat format = PF_PixelFormat_INVALID;
  err = static_cast<const PF_WorldSuite2*>(suite)->PF_GetPixelFormat(output, &format);
  basic->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
  return depthCodeOf(format);
}

void fillFitValues(WallLayout& layout, const WallParams& params) {
  if (popupValue(params, PARAM_FRAME_IMAGE) == FRAME_NONE) {
    layout.fitOffsetX = layout.fitOffsetY = 0;
    layout.fitScaleX = layout.fitScaleY = 1;
    return;
  }
  layout.fitOffsetX = static_cast<float>(sliderValue(params, PARAM_FIT_OFFSET_X) * 0.01);
  layout.fitOffsetY = static_cast<float>(sliderValue(params, PARAM_FIT_OFFSET_Y) * 0.01);
  layout.fitScaleX = static_cast<float>(sliderValue(params, PARAM_FIT_SCALE_X) * 0.01);
  layout.fitScaleY = static_cast<float>(sliderValue(params, PARAM_FIT_SCALE_Y) * 0.01);
}

std::vector<ScreenSlot> buildScreenSlots(PF_InData* in_data, const WallLayout& layout) {
  const int n = layout.screenCount();
  const std::vector<std::int32_t> seeds = screenSeeds(layout.transformSeed, n);
  std::vector<ScreenSlot> slots(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    ScreenSlot& slot = slots[static_cast<std::size_t>(j)];
    WallRandom random(seeds[static_cast<std::size_t>(j)]);
    slot.timeOffset = drawTimeOffset(random, layout.timeOffsetMax);
    const A_Time time{screenSampleTime(in_data->current_time, in_data->time_scale, slot.timeOffset), in_data->time_scale};
    SampleScreenControls(in_data, slot.controls, time);
    randomizeAngles(random, slot);
  }
  return slots;
}

// One rendered inner-composition picture, checked back in however the group ends.
class InnerCompSource {
 public:
  explicit InnerCompSource(RenderPass& pass) : pass_(pass) {}
  ~InnerCompSource() {
    // Every receipt obtained goes back, even after an error, so that the host frees the frame.
    if (receipt_ != nullptr) pass_.suites.renderSuite2()->AEGP_CheckinFrame(receipt_);
  }
  InnerCompSource(const InnerCompSource&) = delete;
  InnerCompSource& operator=(const InnerCompSource&) = delete;

  // Renders the inner layer's source item at the group's time; the first error is recorded.
  const PF_EffectWorld* render(AEGP_CompH comp, A_long layerIndex, float sourceTime) {
    HostSuites& s = pass_.suites;
    PF_InData* in = pass_.in_data;
    AEGP_LayerH layer = nullptr;
    AEGP_ItemH item = nullptr;
    AEGP_RenderOptionsH options = nullptr;
    A_Err err = s.layerSuite13()->AEGP_GetCompLayerByIndex(comp, layerIndex, &layer);
    if (!err) err = s.layerSuite13()->AEGP_GetLayerSourceItem(layer, &item);
    if (!err) err = s.renderOptionsSuite3()->AEGP_NewFromItem(0, item, &options);
    if (!err) err = s.renderOptionsSuite3()->AEGP_SetWorldType(options, static_cast<AEGP_WorldType>(pass_.depth));
    if (!err) {
      err = s.renderOptionsSuite3()->AEGP_SetDownsampleFactor(options, static_cast<A_short>(in->downsample_x.den),
                                                              static_cast<A_short>(in->downsample_y.den));
    }
    if (!err) err = s.renderOptionsSuite3()->AEGP_SetTime(options, A_Time{sourceCheckoutTime(*in, sourceTime), in->time_scale});
    if (!err) err = s.renderSuite2()->AEGP_RenderAndCheckoutFrame(options, nullptr, nullptr, &receipt_);
    if (err) receipt_ = nullptr;
    AEGP_WorldH world = nullptr;
    if (!err) err = s.renderSuite2()->AEGP_GetReceiptWorld(receipt_, &world);
    if (!err) err = s.worldSuite3()->AEGP_FillOutPFEffectWorld(world, &view_);
    if (options != nullptr) {
      const A_Err disposal = s.renderOptionsSuite3()->AEGP_Dispose(options);
      if (!err) err = disposal;
    }
    pass_.record(err);
    return err ? nullptr : &view_;
  }

 private:
  RenderPass& pass_;
  AEGP_FrameReceiptH receipt_ = nullptr;
  PF_EffectWorld view_{};
};

}  // namespace

PF_Err smartRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_SmartRenderExtra* extra) {
  HostSuites suites(in_data->pica_basicP);
  if (extra == nullptr || extra->cb == nullptr || extra->input == nullptr) return PF_Err_BAD_CALLBACK_PARAM;

  PF_EffectWorld* input = nullptr;
  PF_EffectWorld* output = nullptr;
  PF_Err err = extra->cb->checkout_layer_pixels(in_data->effect_ref, INPUT_CHECKOUT, &input);
  if (!err) err = extra->cb->checkout_output(in_data->effect_ref, &output);
  if (err || output == nullptr) return PF_Interrupt_CANCEL;

  // Without the pre-render's record the sources cannot be matched to their checkouts.
  const PreRenderData* data = preRenderDataOf(extra->input->pre_render_data);
  if (data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;

  ParamCheckouts params(in_data);
  WallLayout layout;
  layout.effectRef = in_data->effect_ref;
  layout.inData = in_data;
  layout.sourceCount = data->sourceCount;
  computeWallLayout(layout, *in_data, params.values());

  RenderPass pass(suites, in_data, layout);
  pass.output = output;
  pass.depth = outputDepth(in_data, output, err);
  pass.record(err);
  bool failedSource = false;

  if (pass.ok() && pass.depth != 0) {
    const WallParams& values = params.values();
    fillWallGeometry(layout, *in_data, values, input != nullptr ? input->origin_x : 0,
                     input != nullptr ? input->origin_y : 0);
    fillFitValues(layout, values);
    layout.timeOffsetMax = static_cast<float>(sliderValue(values, PARAM_TIME_OFFSET));
    pass.record(in_data->utils->fill(in_data->effect_ref, nullptr, nullptr, output));

    const int frameChoice = popupValue(values, PARAM_FRAME_IMAGE);
    if (pass.ok() && layout.screenWidthPx != 0.0f && layout.screenHeightPx != 0.0f) {
      selectFramePicture(pass, frameChoice, extra);
      const std::vector<ScreenSlot> slots = buildScreenSlots(in_data, layout);
      pass.tile = tileSize(layout);
      const float nowSeconds = static_cast<float>(in_data->current_time) / static_cast<float>(in_data->time_scale);

      AEGP_CompH innerComp = nullptr;
      std::vector<A_long> innerLayers;
      const bool innerMode = layout.methodInUse == SELECT_INNER_COMP;
      if (innerMode && layout.sourceCount != 0 && pass.ok()) {
        PF_Err innerErr = PF_Err_NONE;
        innerLayers = innerCompLayers(suites, in_data->effect_ref, innerErr);
        pass.record(innerErr);
        AEGP_LayerH own = nullptr;
        AEGP_ItemH item = nullptr;
        if (pass.ok() && suites.pfInterfaceSuite1()->AEGP_GetEffectLayer(in_data->effect_ref, &own) == A_Err_NONE &&
            suites.layerSuite13()->AEGP_GetLayerSourceItem(own, &item) == A_Err_NONE) {
          suites.compSuite15()->AEGP_GetCompFromItem(item, &innerComp);
        }
      }

      for (std::size_t k = 0; k < layout.groups.size(); ++k) {
        const SourceGroup& group = layout.groups[k];
        const A_long checkoutId = static_cast<A_long>(SOURCE_CHECKOUT_BASE + k);
        InnerCompSource inner(pass);
        const PF_EffectWorld* source = nullptr;
        bool checkedOut = false;
        if (pass.ok()) {
          if (innerMode) {
            const auto index = static_cast<std::size_t>(group.sourceIndex);
            if (innerComp != nullptr && index < innerLayers.size()) {
              source = inner.render(innerComp, innerLayers[index], group.sourceTime);
            }
          } else {
            PF_EffectWorld* pixels = nullptr;
            pass.record(extra->cb->checkout_layer_pixels(in_data->effect_ref, checkoutId, &pixels));
            checkedOut = pass.ok();
            source = pixels;
          }
        }
        if (!pass.ok()) {
          failedSource = true;
        } else if (source != nullptr) {
          EffectWorld tile;
          if (group.screens.size() > 1 && pass.tile.width <= output->width && pass.tile.height <= output->height) {
            tile = buildGroupTile(pass, *source);
          }
          for (const std::int32_t s : group.screens) {
            const ScreenSlot& slot = slots[static_cast<std::size_t>(s)];
            if (slot.timeOffset > nowSeconds) continue;
            const ScreenRect r = screenRect(layout, s);
            drawScreen(pass, slot, r.x0, r.y0, *source, tile ? &tile : nullptr);
          }
          disposeWorld(pass, tile);
        }
        // What was checked out goes back even after a failure; the first error is the one reported.
        if (checkedOut) pass.record(extra->cb->checkin_layer_pixels(in_data->effect_ref, checkoutId));
      }
      if (pass.frameLayerCheckedOut) {
        pass.record(extra->cb->checkin_layer_pixels(in_data->effect_ref, FRAME_LAYER_CHECKOUT));
        pass.frameLayerCheckedOut = false;
      }
      disposeWorld(pass, pass.maskWorld);
      disposeWorld(pass, pass.whiteWorld);
    }
  }
  pass.record(params.checkinAll());
  return failedSource ? PF_Interrupt_CANCEL : pass.err;
}

}  // namespace plenorium
