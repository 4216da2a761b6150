#include "param_checkouts.h"

#include <cstring>

namespace plenorium {

bool isCheckedOutAsValue(int index) {
  if (index < 1 || index >= PARAM_COUNT) return false;
  if (index >= PARAM_SOURCE_FIRST && index <= PARAM_SOURCE_LAST) return false;
  return index != PARAM_FRAME_LAYER;
}

ParamCheckouts::ParamCheckouts(PF_InData* in_data) : in_data_(in_data) {
  std::memset(params_.data(), 0, sizeof(PF_ParamDef) * params_.size());
  for (int i = 1; i < PARAM_COUNT; ++i) {
    if (!isCheckedOutAsValue(i)) continue;
    const PF_Err err = in_data_->inter.checkout_param(in_data_->effect_ref, i, in_data_->current_time,
                                                      in_data_->time_step, in_data_->time_scale, &params_[i]);
    if (err != PF_Err_NONE) {
      std::memset(&params_[i], 0, sizeof(PF_ParamDef));
      break;
    }
    checkedOut_[i] = true;
  }
}

PF_Err ParamCheckouts::checkinAll() {
  PF_Err first = PF_Err_NONE;
  if (checkedIn_) return first;
  checkedIn_ = true;
  for (int i = 1; i < PARAM_COUNT; ++i) {
    if (!checkedOut_[i]) continue;
    const PF_Err err = in_data_->inter.checkin_param(in_data_->effect_ref, &params_[i]);
    if (first == PF_Err_NONE) first = err;
  }
  return first;
}

ParamCheckouts::~ParamCheckouts() {
  checkinAll();
}

}  // namespace plenorium
