// Per-call access to the host's named suites: each (name, version) pair is acquired on first use
// and released once when the object goes out of scope, whatever way the call ends.
#pragma once

#include <array>
#include <cstddef>

#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "SPBasic.h"

namespace plenorium {

// The one error the effect raises: a suite the host could not provide.
struct MissingSuite {
  PF_Err code = PF_Err_BAD_CALLBACK_PARAM;
};

enum class SuiteId : std::size_t {
  COMP_15,
  DYNAMIC_STREAM_5,
  EFFECT_3,
  ITEM_13,
  LAYER_11,
  LAYER_13,
  MEMORY_1,
  PF_INTERFACE_1,
  RENDER_OPTIONS_3,
  RENDER_2,
  STREAM_7,
  STREAM_9,
  UTILITY_7,
  UTILITY_11,
  WORLD_2,
  WORLD_3,
  ANSI_1,
  FILL_MATTE_2,
  HANDLE_2,
  WORLD_TRANSFORM_1,
  COUNT
};

struct SuiteName {
  const char* name;
  A_long version;
};

SuiteName suiteName(SuiteId id);

class HostSuites {
 public:
  // Raises MissingSuite when the host gave no basic suite.
  explicit HostSuites(const SPBasicSuite* basic);
  ~HostSuites();
  HostSuites(const HostSuites&) = delete;
  HostSuites& operator=(const HostSuites&) = delete;

  const AEGP_CompSuite7* compSuite15() { return get<AEGP_CompSuite7>(SuiteId::COMP_15); }
  const AEGP_DynamicStreamSuite4* dynamicStreamSuite5() {
    return get<AEGP_DynamicStreamSuite4>(SuiteId::DYNAMIC_STREAM_5);
  }
  const AEGP_EffectSuite3* effectSuite3() { return get<AEGP_EffectSuite3>(SuiteId::EFFECT_3); }
  const AEGP_ItemSuite8* itemSuite13() { return get<AEGP_ItemSuite8>(SuiteId::ITEM_13); }
  const AEGP_LayerSuite5* layerSuite11() { return get<AEGP_LayerSuite5>(SuiteId::LAYER_11); }
  const AEGP_LayerSuite7* layerSuite13() { return get<AEGP_LayerSuite7>(SuiteId::LAYER_13); }
  const AEGP_MemorySuite1* memorySuite1() { return get<AEGP_MemorySuite1>(SuiteId::MEMORY_1); }
  const AEGP_PFInterfaceSuite1* pfInterfaceSuite1() { return get<AEGP_PFInterfaceSuite1>(SuiteId::PF_INTERFACE_1); }
  const AEGP_RenderOptionsSuite3* renderOptionsSuite3() {
    return get<AEGP_RenderOptionsSuite3>(SuiteId::RENDER_OPTIONS_3);
  }
  const AEGP_RenderSuite2* renderSuite2() { return get<AEGP_RenderSuite2>(SuiteId::RENDER_2); }
  const AEGP_StreamSuite2* streamSuite7() { return get<AEGP_StreamSuite2>(SuiteId::STREAM_7); }
  const AEGP_StreamSuite4* streamSuite9() { return get<AEGP_StreamSuite4>(SuiteId::STREAM_9); }
  const AEGP_UtilitySuite3* utilitySuite7() { return get<AEGP_UtilitySuite3>(SuiteId::UTILITY_7); }
  const AEGP_UtilitySuite5* utilitySuite11() { return get<AEGP_UtilitySuite5>(SuiteId::UTILITY_11); }
  const AEGP_WorldSuite2* worldSuite2() { return get<AEGP_WorldSuite2>(SuiteId::WORLD_2); }
  const AEGP_WorldSuite3* worldSuite3() { return get<AEGP_WorldSuite3>(SuiteId::WORLD_3); }
  const PF_ANSICallbacksSuite1* ansiSuite1() { return get<PF_ANSICallbacksSuite1>(SuiteId::ANSI_1); }
  const PF_FillMatteSuite2* fillMatteSuite2() { return get<PF_FillMatteSuite2>(SuiteId::FILL_MATTE_2); }
  const PF_HandleSuite1* handleSuite2() { return get<PF_HandleSuite1>(SuiteId::HANDLE_2); }
  const PF_WorldTransformSuite1* worldTransformSuite1() {
    return get<PF_WorldTransformSuite1>(SuiteId::WORLD_TRANSFORM_1);
  }

  const SPBasicSuite* basic() const { return basic_; }

 private:
  template <typename Suite>
  const Suite* get(SuiteId id) {
    return static_cast<const Suite*>(acquire(id));
  }
  const void* acquire(SuiteId id);

  const SPBasicSuite* basic_;
  std::array<const void*, static_cast<std::size_t>(SuiteId::COUNT)> slots_{};
};

}  // namespace plenorium
