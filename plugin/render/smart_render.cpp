#include "smart_render.h"

#include <vector>

#include "AE_EffectCB.h"
#include "frame_overlay.h"
#include "param_checkouts.h"
#include "pre_render.h"
#include "pre_render_data.h"
#include "render_pass.h"
#include "screen_compositor.h"
#include "screen_transform.h"
#include "source_selection.h"
#include "wall_geometry.h"

namespace plenorium {
namespace {

// The output's depth, through a suite acquired for this one question.
DepthCode outputDepth(PF_InData* in_data, PF_EffectWorld* output, PF_Err& err) {
  const void* suite = nullptr;
  SPBasicSuite* basic = in_data->pica_basicP;
  if (basic->AcquireSuite(kPFWorldSuite, kPFWorldSuiteVersion2, &suite) != kSPNoError || suite == nullptr) {
    throw MissingSuite{};
  }
  PF_PixelFormat format = PF_PixelFormat_INVALID;
  err = static_cast<const PF_WorldSuite2*>(suite)->PF_GetPixelFormat(output, &format);
  basic->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
  return depthOfPixelFormat(format);
}

// In "Inner Comp" mode, the composition nested in the effect's layer and its AV layers.
struct InnerComp {
  AEGP_CompH comp = nullptr;
  std::vector<A_long> layers;
};

InnerComp findInnerComp(RenderPass& pass) {
  InnerComp inner;
  if (pass.layout.sourceCount == 0 || !pass.ok()) return inner;
  HostSuites& suites = pass.suites;
  PF_Err err = PF_Err_NONE;
  inner.layers = innerCompLayers(suites, pass.in_data->effect_ref, err);
  pass.record(err);
  AEGP_LayerH own = nullptr;
  AEGP_ItemH item = nullptr;
  if (pass.ok() && suites.pfInterfaceSuite1()->AEGP_GetEffectLayer(pass.in_data->effect_ref, &own) == A_Err_NONE &&
      suites.layerSuite13()->AEGP_GetLayerSourceItem(own, &item) == A_Err_NONE) {
    suites.compSuite15()->AEGP_GetCompFromItem(item, &inner.comp);
  }
  return inner;
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
    if (!err) err = s.renderOptionsSuite3()->AEGP_SetWorldType(options, worldTypeOf(pass_.depth));
    if (!err) {
      err = s.renderOptionsSuite3()->AEGP_SetDownsampleFactor(options, static_cast<A_short>(in->downsample_x.den),
                                                              static_cast<A_short>(in->downsample_y.den));
    }
    if (!err)
      err = s.renderOptionsSuite3()->AEGP_SetTime(options, A_Time{sourceCheckoutTime(*in, sourceTime), in->time_scale});
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

// One group's source picture: its checked-out source layer, or its rendered inner-composition
// layer. What was taken goes back when the group ends, even after a failure; the first error is
// the one reported.
class GroupSource {
 public:
  GroupSource(RenderPass& pass, PF_SmartRenderExtra* extra, const InnerComp& inner, const SourceGroup& group,
              A_long checkoutId)
      : pass_(pass), extra_(extra), inner_(pass), checkoutId_(checkoutId) {
    if (!pass.ok()) return;
    if (pass.layout.controls.method == SELECT_INNER_COMP) {
      const auto index = static_cast<std::size_t>(group.sourceIndex);
      if (inner.comp != nullptr && index < inner.layers.size()) {
        picture_ = inner_.render(inner.comp, inner.layers[index], group.sourceTime);
      }
      return;
    }
    PF_EffectWorld* pixels = nullptr;
    pass.record(extra->cb->checkout_layer_pixels(pass.in_data->effect_ref, checkoutId, &pixels));
    checkedOut_ = pass.ok();
    picture_ = pixels;
  }
  ~GroupSource() {
    if (checkedOut_) pass_.record(extra_->cb->checkin_layer_pixels(pass_.in_data->effect_ref, checkoutId_));
  }
  GroupSource(const GroupSource&) = delete;
  GroupSource& operator=(const GroupSource&) = delete;

  const PF_EffectWorld* picture() const { return picture_; }

 private:
  RenderPass& pass_;
  PF_SmartRenderExtra* extra_;
  InnerCompSource inner_;
  A_long checkoutId_;
  bool checkedOut_ = false;
  const PF_EffectWorld* picture_ = nullptr;
};

// A group shown on several screens is resampled once into a tile that its neutral screens copy.
EffectWorld makeGroupTile(RenderPass& pass, const SourceGroup& group, const PF_EffectWorld& source) {
  const bool tileFits = pass.tile.width <= pass.output->width && pass.tile.height <= pass.output->height;
  if (group.screens.size() <= 1 || !tileFits) return EffectWorld{};
  return buildGroupTile(pass, source);
}

// The group's screens whose delay has passed, in screen order.
void drawGroupScreens(RenderPass& pass, const SourceGroup& group, const std::vector<ScreenSlot>& slots,
                      const PF_EffectWorld& source, const EffectWorld& tile) {
  const PF_InData& in = *pass.in_data;
  ScreenRequest request;
  request.source = PictureSize{source.width, source.height};
  request.hasTile = static_cast<bool>(tile);
  if (pass.hasFrame) request.frame = PictureSize{pass.framePicture.width, pass.framePicture.height};
  request.output = PictureSize{pass.output->width, pass.output->height};
  request.currentTime = in.current_time;
  request.timeScale = in.time_scale;
  for (const std::int32_t s : group.screens) {
    request.slot = &slots[static_cast<std::size_t>(s)];
    request.rect = screenRect(pass.layout.grid, s);
    drawScreen(pass, planScreen(pass.layout, pass.tile, request), source, tile ? &tile : nullptr);
  }
}

// Gives back what the render held for every group: the custom frame layer and the render-wide
// worlds of framed screens.
void releaseRenderWide(RenderPass& pass, PF_SmartRenderExtra* extra) {
  if (pass.frameLayerCheckedOut) {
    pass.record(extra->cb->checkin_layer_pixels(pass.in_data->effect_ref, FRAME_LAYER_CHECKOUT));
    pass.frameLayerCheckedOut = false;
  }
  disposeWorld(pass, pass.maskWorld);
  disposeWorld(pass, pass.whiteWorld);
}

// Clears the output and draws every group's screens. Returns whether a source could not be had.
bool renderWall(RenderPass& pass, const WallParams& params, PF_SmartRenderExtra* extra, const PF_EffectWorld* input) {
  PF_InData* in_data = pass.in_data;
  WallLayout& layout = pass.layout;
  layout.grid = wallGridFor(layout.controls, *in_data, input != nullptr ? input->origin_x : 0,
                            input != nullptr ? input->origin_y : 0);
  pass.record(in_data->utils->fill(in_data->effect_ref, nullptr, nullptr, pass.output));
  if (!pass.ok() || layout.grid.screenWidthPx == 0.0f || layout.grid.screenHeightPx == 0.0f) return false;

  selectFramePicture(pass, popupValue(params, PARAM_FRAME_IMAGE), extra);
  const std::vector<ScreenSlot> slots = buildScreenSlots(in_data, layout);
  pass.tile = tileSize(layout.grid);
  const InnerComp inner = layout.controls.method == SELECT_INNER_COMP ? findInnerComp(pass) : InnerComp{};

  bool failedSource = false;
  for (std::size_t k = 0; k < layout.groups.size(); ++k) {
    const SourceGroup& group = layout.groups[k];
    const GroupSource source(pass, extra, inner, group, static_cast<A_long>(SOURCE_CHECKOUT_BASE + k));
    if (!pass.ok()) {
      failedSource = true;
    } else if (source.picture() != nullptr) {
      EffectWorld tile = makeGroupTile(pass, group, *source.picture());
      drawGroupScreens(pass, group, slots, *source.picture(), tile);
      disposeWorld(pass, tile);
    }
  }
  releaseRenderWide(pass, extra);
  return failedSource;
}

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
  layout.sourceCount = data->sourceCount;
  layout.controls = readWallControls(params.values());
  layout.groups = sourceGroupsFor(layout.controls, layout.sourceCount, *in_data);

  RenderPass pass(suites, in_data, layout);
  pass.output = output;
  pass.depth = outputDepth(in_data, output, err);
  pass.record(err);
  bool failedSource = false;
  if (pass.ok() && pass.depth != DepthCode::NONE) failedSource = renderWall(pass, params.values(), extra, input);
  pass.record(params.checkinAll());
  return failedSource ? PF_Interrupt_CANCEL : pass.err;
}

}  // namespace plenorium
