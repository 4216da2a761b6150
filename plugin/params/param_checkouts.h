// The parameter values of one pass: controls 1..73 checked out at the current time, except the
// layer controls (reached through layer checkouts), and checked back in when the pass ends.
#pragma once

#include "AE_Effect.h"
#include "wall_params.h"

namespace plenorium {

class ParamCheckouts {
 public:
  // Checks out in ascending order; the first failing checkout ends the loop and the remaining
  // records stay zero. That failure is not reported.
  explicit ParamCheckouts(PF_InData* in_data);
  // Checks every checked-out record back in, in ascending order.
  ~ParamCheckouts();
  ParamCheckouts(const ParamCheckouts&) = delete;
  ParamCheckouts& operator=(const ParamCheckouts&) = delete;

  const WallParams& values() const { return params_; }
  // The first check-in error of the destructor's walk, when asked before destruction.
  PF_Err checkinAll();

 private:
  PF_InData* in_data_;
  WallParams params_{};
  bool checkedOut_[PARAM_COUNT] = {};
  bool checkedIn_ = false;
};

// Whether the pass checks out this control as a value (layer controls are not).
bool isCheckedOutAsValue(int index);

}  // namespace plenorium
