// What the pre-render pass hands to the render of the same frame: the number of sources found.
// It lives in a host handle; the host disposes it through the pre-render output's deletion
// callback, which reaches the handle suite's disposal through the record itself.
#pragma once

#include <cstdint>

#include "AE_EffectSuites.h"

namespace plenorium {

struct PreRenderData {
  std::int32_t sourceCount;
  std::int32_t reserved;
  void (*disposeHandle)(PF_Handle handle);
};

// The deletion callback given to the host with the pre-render output.
void deletePreRenderData(void* preRenderData);

// The record behind a handle, or null.
inline PreRenderData* preRenderDataOf(void* handle) {
  if (handle == nullptr) return nullptr;
  return static_cast<PreRenderData*>(*static_cast<PF_Handle>(handle));
}

}  // namespace plenorium
