#include "render_session.h"

#include <cmath>
#include <numbers>

#include "host_error.h"
#include "model_suites.h"
#include "patterns.h"
#include "protocol_callbacks.h"

namespace plenorium::host {
namespace {

Color4 colorOf(const ColorRGBA& c) {
  return {static_cast<float>(c[3]), static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2])};
}

// The layer's placement in its composition: anchor to the origin, scale, rotate (clockwise),
// then to the position. Row vectors, in downsampled pixels.
PF_FloatMatrix layerMatrix(RenderSession& session, const Layer& layer, double layerTime, int downsample) {
  const LayerTransform& t = layer.transform;
  const StreamValue anchor = session.streamValue(layer, nullptr, AEGP_LayerStream_ANCHORPOINT, t.anchor, layerTime);
  const StreamValue position = session.streamValue(layer, nullptr, AEGP_LayerStream_POSITION, t.position, layerTime);
  const StreamValue scale = session.streamValue(layer, nullptr, AEGP_LayerStream_SCALE, t.scale, layerTime);
  const double angle = session.streamValue(layer, nullptr, AEGP_LayerStream_ROTATION, t.rotation, layerTime)[0] *
                       std::numbers::pi / 180.0;
  const double sx = scale[0] * 0.01, sy = scale[1] * 0.01;
  const double c = std::cos(angle), s = std::sin(angle);
  const double ds = downsample;
  const double ax = anchor[0] / ds, ay = anchor[1] / ds;
  PF_FloatMatrix m{};
  m.mat[0][0] = sx * c;
  m.mat[0][1] = sx * s;
  m.mat[1][0] = -sy * s;
  m.mat[1][1] = sy * c;
  m.mat[2][0] = -(ax * m.mat[0][0] + ay * m.mat[1][0]) + position[0] / ds;
  m.mat[2][1] = -(ax * m.mat[0][1] + ay * m.mat[1][1]) + position[1] / ds;
  m.mat[2][2] = 1;
  return m;
}

}  // namespace

A_long scaledSize(int size, int downsample) {
  return static_cast<A_long>((size + downsample - 1) / std::max(downsample, 1));
}

RenderSession::RenderSession(HostCore& core, PixelHost& pixels, EffectRegistry& registry, Project& project)
    : core_(core),
      pixels_(pixels),
      registry_(registry),
      project_(project),
      handles_(core.accounting()),
      expressions_([this](const EffectInstance& e) {
        const EffectDriver* d = driverFor(e);
        return d != nullptr ? d->module().descriptor().name : e.matchName;
      }),
      itemCache_(pixels.engine().budget()) {
  core_.attach(this);
  installModelSuites(core_);
  checkSessionHandles(core_, *this);
}

RenderSession::~RenderSession() {
  instances_.stopAll();
  stopCheckingSessionHandles(core_);
  core_.attach<RenderSession>(nullptr);
}

EffectContext RenderSession::contextFor(Layer& layer, int effectIndex) {
  EffectContext context;
  context.session = this;
  context.layer = &layer;
  context.effect = layer.effects.at(static_cast<std::size_t>(effectIndex)).get();
  context.effectIndex = effectIndex;
  context.driver = driverFor(*context.effect);
  if (context.driver == nullptr)
    throw HostError("no loaded effect has the match name '" + context.effect->matchName + "'");
  return context;
}

StreamValue RenderSession::streamValue(const Layer& layer, const EffectInstance* effect, int index,
                                       const Stream& stream, double layerTime, bool preExpression) {
  if (preExpression) return stream.valueAt(layerTime);
  return expressions_.valueOf(layer, effect, index, stream, layerTime);
}

OwnedWorld RenderSession::newWorld(const RenderSettings& settings, A_long width, A_long height) {
  return OwnedWorld(pixels_, pixels_.create(settings.depth, std::max<A_long>(width, 0), std::max<A_long>(height, 0)));
}

OwnedWorld RenderSession::renderFrame(const Composition& comp, long frame, const RenderSettings& settings) {
  const double time = static_cast<double>(frame) * comp.rate.frameTicks / comp.rate.timeScale;
  try {
    return renderComp(comp, time, settings);
  } catch (const HostError& e) {
    throw HostError("frame " + std::to_string(frame) + " of '" + comp.item->name + "': " + e.what());
  }
}

OwnedWorld RenderSession::renderComp(const Composition& comp, double compTime, const RenderSettings& settings) {
  // Expression contexts are kept while the frame is rendered, nested compositions included.
  struct FrameScope {
    StreamExpressions* expressions;
    ~FrameScope() {
      if (expressions != nullptr) expressions->endFrame();
    }
  } frame{inProgress_.empty() ? &expressions_ : nullptr};
  if (frame.expressions != nullptr) expressions_.beginFrame();
  OwnedWorld out =
      newWorld(settings, scaledSize(comp.width, settings.downsample), scaledSize(comp.height, settings.downsample));
  if (comp.background[3] > 0) pixels_.engine().fill(*out, colorOf(comp.background), nullptr);
  const PF_LRect whole{0, 0, out->width(), out->height()};
  for (auto it = comp.layers.rbegin(); it != comp.layers.rend(); ++it) {
    const Layer& layer = **it;
    if (!layer.visible || layer.kind != LayerKind::AV || layer.source == nullptr) continue;
    if (!layer.isActiveAt(compTime, comp.duration)) continue;
    const double layerTime = layer.layerTime(compTime);
    const double opacity = std::clamp(
        streamValue(layer, nullptr, AEGP_LayerStream_OPACITY, layer.transform.opacity, layerTime)[0] * 0.01, 0.0, 1.0);
    if (opacity <= 0) continue;
    const SharedWorld pixels = renderLayerPixels(layer, layerTime, settings);
    CompositeSpec spec;
    spec.opacity = static_cast<float>(opacity);
    pixels_.engine().transformWorld(**pixels, *out, layerMatrix(*this, layer, layerTime, settings.downsample), true,
                                    spec, whole);
  }
  return out;
}

SharedWorld RenderSession::renderItem(const Item& item, double time, const RenderSettings& settings) {
  // Compositions change with their effects and are rendered every time; other items are pictures
  // of a frame, kept from their second request on.
  if (item.kind == ItemKind::COMP) return renderItemUncached(item, time, settings);
  time = item.sourceTime(time);
  const ItemCache::Key key = ItemCache::keyOf(item, time, settings);
  if (const SharedWorld* kept = itemCache_.find(key)) return *kept;
  itemCache_.remeasure();
  SharedWorld w = renderItemUncached(item, time, settings);
  itemCache_.offer(key, w);
  return w;
}

SharedWorld RenderSession::renderItemUncached(const Item& item, double time, const RenderSettings& settings) {
  const int ds = settings.downsample;
  switch (item.kind) {
    case ItemKind::COMP: return share(renderComp(*item.comp, time, settings));
    case ItemKind::SOLID: {
      OwnedWorld w = newWorld(settings, scaledSize(item.width, ds), scaledSize(item.height, ds));
      pixels_.engine().fill(*w, colorOf(item.color), nullptr);
      return share(std::move(w));
    }
    case ItemKind::PATTERN: {
      OwnedWorld w = newWorld(settings, scaledSize(item.width, ds), scaledSize(item.height, ds));
      const long frame = static_cast<long>(std::floor(time * item.rate.fps() + 1e-6));
      drawPattern(pixels_.engine(), *w, item.pattern, time, frame, 1.0 / ds);
      return share(std::move(w));
    }
    case ItemKind::FOOTAGE: {
      if (footage_ == nullptr) {
        throw HostError("footage item '" + item.name + "' (" + item.path + "): this host reads no media files");
      }
      // The reader writes every pixel, so the world is not cleared first.
      OwnedWorld w(pixels_,
                   pixels_.create(settings.depth, scaledSize(item.width, ds), scaledSize(item.height, ds), false));
      footage_->readFrame(item, time, ds, *w);
      w->markAllWritten();
      return share(std::move(w));
    }
  }
  throw HostError("item '" + item.name + "' has an unknown kind");
}

SharedWorld RenderSession::renderLayerPixels(const Layer& constLayer, double layerTime,
                                             const RenderSettings& settings) {
  Layer& layer = const_cast<Layer&>(constLayer);
  if (layer.source == nullptr) return share(newWorld(settings, 0, 0));
  // Outside its in and out points a layer is there, at its size, but shows nothing.
  // (A nanosecond's allowance: the time was a composition time before it became the layer's.)
  const double compTime = layer.startTime + layerTime + 1e-9;
  if (layer.parent != nullptr && !layer.isActiveAt(compTime, layer.parent->duration)) {
    return share(newWorld(settings, scaledSize(layer.width(), settings.downsample),
                          scaledSize(layer.height(), settings.downsample)));
  }
  if (!inProgress_.insert(&layer).second) {
    throw HostError("layer '" + layer.name + "' needs its own picture to render (its sources lead back to it)");
  }
  struct Guard {
    std::set<const Layer*>& set;
    const Layer* layer;
    ~Guard() { set.erase(layer); }
  } guard{inProgress_, &layer};

  SharedWorld pixels = renderItem(*layer.source, layerTime, settings);
  for (std::size_t i = 0; i < layer.effects.size(); ++i) {
    pixels = share(applyEffect(layer, static_cast<int>(i), **pixels, layerTime, settings));
  }
  return pixels;
}

SharedWorld RenderSession::renderLayerSource(const Layer& layer, double layerTime, const RenderSettings& settings) {
  if (layer.source == nullptr) return share(newWorld(settings, 0, 0));
  const double compTime = layer.startTime + layerTime + 1e-9;
  if (layer.parent != nullptr && !layer.isActiveAt(compTime, layer.parent->duration)) {
    return share(newWorld(settings, scaledSize(layer.width(), settings.downsample),
                          scaledSize(layer.height(), settings.downsample)));
  }
  return renderItem(*layer.source, layerTime, settings);
}

OwnedWorld RenderSession::applyEffect(Layer& layer, int effectIndex, const World& input, double layerTime,
                                      const RenderSettings& settings) {
  EffectContext context = contextFor(layer, effectIndex);
  context.settings = settings;
  context.input = &input;
  PF_InData in = context.driver->inDataFor(context);
  fillFrameInData(in, context, layerTime);

  const short bitdepth = settings.depth == PixelDepth::U8 ? 8 : settings.depth == PixelDepth::U16 ? 16 : 32;
  PF_PreRenderInput preInput{};
  preInput.output_request.rect = {0, 0, input.width(), input.height()};
  preInput.output_request.field = PF_Field_FRAME;
  preInput.output_request.channel_mask = PF_ChannelMask_ARGB;
  preInput.bitdepth = bitdepth;
  PF_PreRenderOutput preOutput{};
  PF_PreRenderCallbacks preCallbacks = preRenderCallbacks();
  PF_PreRenderExtra preExtra{&preInput, &preOutput, &preCallbacks};
  PF_OutData out{};
  const std::string label = effectLabel(layer, *context.effect, effectIndex);

  struct PreRenderDataGuard {
    PF_PreRenderOutput& output;
    ~PreRenderDataGuard() {
      if (output.delete_pre_render_data_func != nullptr && output.pre_render_data != nullptr) {
        output.delete_pre_render_data_func(output.pre_render_data);
      }
    }
  };
  PF_Err err = context.driver->sendWith(in, PF_Cmd_SMART_PRE_RENDER, out, nullptr, nullptr, &preExtra);
  {
    // The deletion callback runs inside the module, so it is a call of the module too.
    CallScope scope(core_, PF_Cmd_SMART_RENDER, in.effect_ref);
    PreRenderDataGuard guard{preOutput};
    if (err == PF_Err_NONE) {
      context.resultRect = preOutput.result_rect;
      PF_SmartRenderInput renderInput{};
      renderInput.output_request = preInput.output_request;
      renderInput.bitdepth = bitdepth;
      renderInput.pre_render_data = preOutput.pre_render_data;
      PF_SmartRenderCallbacks renderCallbacks = smartRenderCallbacks();
      PF_SmartRenderExtra renderExtra{&renderInput, &renderCallbacks};
      PF_OutData renderOut{};
      err = context.driver->sendWith(in, PF_Cmd_SMART_RENDER, renderOut, nullptr, nullptr, &renderExtra);
    }
  }
  releaseCheckouts(context);
  if (err != PF_Err_NONE) {
    throw HostError(label + " failed at time " + std::to_string(layerTime) + " s of the layer (error " +
                    std::to_string(err) + ")" + (context.refusal.empty() ? "" : ": " + context.refusal));
  }
  if (!context.output) context.output = newWorld(settings, input.width(), input.height());
  return std::move(context.output);
}

}  // namespace plenorium::host
