// The descriptor of the probe effect, a small module the host tests drive.
#pragma once

#include "AE_Effect.h"
#include "pipl_bytes.h"

namespace {
plenorium::PiplSpec specToWrite() {
  return {"Probe",
          "Tests",
          "TEST_Probe",
          "EntryPointFunc",
          PF_VERSION(1, 0, 0, PF_Stage_DEVELOP, 1),
          static_cast<std::uint32_t>(PF_OutFlag_DEEP_COLOR_AWARE),
          static_cast<std::uint32_t>(PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE)};
}
}  // namespace
