// The life cycle of a project's effect instances outside rendering: sequence set-up of each
// instance (then a controls update), controls updates, a user's change of a control, and
// sequence set-down of every instance that was set up.
#pragma once

#include <set>
#include <utility>

#include "AE_Effect.h"
#include "project.h"

namespace plenorium::host {

class RenderSession;

class EffectInstances {
 public:
  explicit EffectInstances(RenderSession& session) : session_(session) {}

  // Sequence set-up and a controls update for every instance in the project. Throws HostError
  // naming the instance whose set-up failed.
  void startAll(Project& project);
  // Sequence set-down of every instance set up, once.
  void stopAll();

  // Sends PF_Cmd_UPDATE_PARAMS_UI to one instance with its current parameter values.
  PF_Err updateParamsUi(Layer& layer, int effectIndex);
  // A supervised control is announced with PF_Cmd_USER_CHANGED_PARAM, then the controls are
  // brought up to date.
  void changeParam(Layer& layer, int effectIndex, int paramIndex, const StreamValue& value);
  // The same for a whole stream (keyframes, expression): an undone change, a key set on an
  // animated control. The control's hidden flag stays the effect's.
  void changeStream(Layer& layer, int effectIndex, int paramIndex, Stream stream);

 private:
  RenderSession& session_;
  std::set<std::pair<const Layer*, int>> started_;
};

// A layer's effect for messages: "layer 'Wall', effect 1 'MATCH'".
std::string effectLabel(const Layer& layer, const EffectInstance& effect, int index);

}  // namespace plenorium::host
