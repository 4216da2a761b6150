// Renders a project's compositions: layers bottom to top with their transforms, each layer's
// source after its effects, nested compositions recursively, effects through the smart
// pre-render and render commands. Serves the suites that let effects read the project. Its
// parts: the item pictures kept (item_cache.h), the values of expressions (stream_expressions.h)
// and the effect instances' life cycle (effect_instances.h).
#pragma once

#include <set>
#include <string>

#include "effect_context.h"
#include "effect_instances.h"
#include "effect_registry.h"
#include "footage_provider.h"
#include "item_cache.h"
#include "model_suites.h"
#include "pixel_host.h"
#include "project.h"
#include "stream_expressions.h"

namespace plenorium::host {

class RenderSession {
 public:
  // Registers the project suites with `core`; `registry` provides the loaded effects.
  RenderSession(HostCore& core, PixelHost& pixels, EffectRegistry& registry, Project& project);
  ~RenderSession();
  RenderSession(const RenderSession&) = delete;
  RenderSession& operator=(const RenderSession&) = delete;

  // Sequence set-up and a controls update for every effect instance, as after loading a project.
  void startInstances() { instances_.startAll(project_); }

  // Frame `frame` of `comp` (0 at its start). Throws HostError naming frame, layer, effect and
  // error code when an effect fails.
  OwnedWorld renderFrame(const Composition& comp, long frame, const RenderSettings& settings);
  OwnedWorld renderComp(const Composition& comp, double compTime, const RenderSettings& settings);
  // An item by itself at `time` seconds of its own time. Pictures of generated items and footage
  // are kept for later requests of the same frame (readers must not change them).
  SharedWorld renderItem(const Item& item, double time, const RenderSettings& settings);
  // A layer's source after its own effects, before its transform, at `layerTime`.
  SharedWorld renderLayerPixels(const Layer& layer, double layerTime, const RenderSettings& settings);
  // A layer's source before its effects (as an effect that checks out its own layer gets it), at
  // `layerTime`: nothing outside the layer's in and out points.
  SharedWorld renderLayerSource(const Layer& layer, double layerTime, const RenderSettings& settings);

  HostCore& core() { return core_; }
  PixelHost& pixels() { return pixels_; }
  Project& project() { return project_; }
  EffectDriver* driverFor(const EffectInstance& effect) const { return registry_.find(effect.matchName); }
  // The effect context for commands outside a render (controls update, changed parameters).
  EffectContext contextFor(Layer& layer, int effectIndex);

  LiveHandles& handles() { return handles_; }
  ProjectObjects& projectObjects() { return projectObjects_; }
  // Footage items are read through `provider` (which must outlive the session); without one they
  // cannot be rendered.
  void setFootageProvider(FootageProvider* provider) { footage_ = provider; }

  // A stream's value at `layerTime` seconds: its expression's result unless `preExpression` is
  // asked for or the expression fails (then the value before it, with one warning per control).
  // `effect` is null for the layer's transform streams; `index` is the control's index.
  StreamValue streamValue(const Layer& layer, const EffectInstance* effect, int index, const Stream& stream,
                          double layerTime, bool preExpression = false);
  // Warnings gathered since the last call (failed expressions), each reported once per session.
  std::vector<std::string> takeWarnings() { return expressions_.takeWarnings(); }
  // Called whenever a stream's value or expression changes: expression contexts are built anew.
  void streamsChanged() { expressions_.forgetContexts(); }

  // Sends PF_Cmd_UPDATE_PARAMS_UI to one instance with its current parameter values.
  PF_Err updateParamsUi(Layer& layer, int effectIndex) { return instances_.updateParamsUi(layer, effectIndex); }

  // Changes a control as a user would: a supervised control is announced with
  // PF_Cmd_USER_CHANGED_PARAM, then the controls are brought up to date.
  void changeParam(Layer& layer, int effectIndex, int paramIndex, const StreamValue& value) {
    instances_.changeParam(layer, effectIndex, paramIndex, value);
  }
  void changeStream(Layer& layer, int effectIndex, int paramIndex, Stream stream) {
    instances_.changeStream(layer, effectIndex, paramIndex, std::move(stream));
  }

 private:
  SharedWorld renderItemUncached(const Item& item, double time, const RenderSettings& settings);
  OwnedWorld applyEffect(Layer& layer, int effectIndex, const World& input, double layerTime,
                         const RenderSettings& settings);
  OwnedWorld newWorld(const RenderSettings& settings, A_long width, A_long height);

  HostCore& core_;
  PixelHost& pixels_;
  EffectRegistry& registry_;
  Project& project_;
  std::set<const Layer*> inProgress_;  // layers being rendered, to refuse a layer that needs itself
  LiveHandles handles_;
  ProjectObjects projectObjects_{project_};
  StreamExpressions expressions_;
  FootageProvider* footage_ = nullptr;
  ItemCache itemCache_;  // within the engine's memory budget
  EffectInstances instances_{*this};
};

// Pixel dimension of a full-size length at a downsampling factor.
A_long scaledSize(int size, int downsample);

}  // namespace plenorium::host
