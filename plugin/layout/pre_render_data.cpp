#include "pre_render_data.h"

namespace plenorium {

void deletePreRenderData(void* preRenderData) {
  auto handle = static_cast<PF_Handle>(preRenderData);
  const PreRenderData* data = preRenderDataOf(preRenderData);
  if (data != nullptr && data->disposeHandle != nullptr) data->disposeHandle(handle);
}

}  // namespace plenorium
