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

// Every suite the effect uses, written once: (id, accessor, table type, name, version). The
// accessor's number is the suite's published version; the table type is the one that version
// hands out.
#define PLENORIUM_EFFECT_SUITES(X)                                                                                   \
  X(COMP_15, compSuite15, AEGP_CompSuite7, kAEGPCompSuite, kAEGPCompSuiteVersion7)                                   \
  X(DYNAMIC_STREAM_5, dynamicStreamSuite5, AEGP_DynamicStreamSuite4, kAEGPDynamicStreamSuite,                        \
    kAEGPDynamicStreamSuiteVersion4)                                                                                 \
  X(EFFECT_3, effectSuite3, AEGP_EffectSuite3, kAEGPEffectSuite, kAEGPEffectSuiteVersion3)                           \
  X(ITEM_13, itemSuite13, AEGP_ItemSuite8, kAEGPItemSuite, kAEGPItemSuiteVersion8)                                   \
  X(LAYER_11, layerSuite11, AEGP_LayerSuite5, kAEGPLayerSuite, kAEGPLayerSuiteVersion5)                              \
  X(LAYER_13, layerSuite13, AEGP_LayerSuite7, kAEGPLayerSuite, kAEGPLayerSuiteVersion7)                              \
  X(MEMORY_1, memorySuite1, AEGP_MemorySuite1, kAEGPMemorySuite, kAEGPMemorySuiteVersion1)                           \
  X(PF_INTERFACE_1, pfInterfaceSuite1, AEGP_PFInterfaceSuite1, kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1) \
  X(RENDER_OPTIONS_3, renderOptionsSuite3, AEGP_RenderOptionsSuite3, kAEGPRenderOptionsSuite,                        \
    kAEGPRenderOptionsSuiteVersion3)                                                                                 \
  X(RENDER_2, renderSuite2, AEGP_RenderSuite2, kAEGPRenderSuite, kAEGPRenderSuiteVersion2)                           \
  X(STREAM_7, streamSuite7, AEGP_StreamSuite2, kAEGPStreamSuite, kAEGPStreamSuiteVersion2)                           \
  X(STREAM_9, streamSuite9, AEGP_StreamSuite4, kAEGPStreamSuite, kAEGPStreamSuiteVersion4)                           \
  X(UTILITY_7, utilitySuite7, AEGP_UtilitySuite3, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3)                      \
  X(UTILITY_11, utilitySuite11, AEGP_UtilitySuite5, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5)                    \
  X(WORLD_2, worldSuite2, AEGP_WorldSuite2, kAEGPWorldSuite, kAEGPWorldSuiteVersion2)                                \
  X(WORLD_3, worldSuite3, AEGP_WorldSuite3, kAEGPWorldSuite, kAEGPWorldSuiteVersion3)                                \
  X(ANSI_1, ansiSuite1, PF_ANSICallbacksSuite1, kPFANSISuite, kPFANSISuiteVersion1)                                  \
  X(FILL_MATTE_2, fillMatteSuite2, PF_FillMatteSuite2, kPFFillMatteSuite, kPFFillMatteSuiteVersion2)                 \
  X(HANDLE_2, handleSuite2, PF_HandleSuite1, kPFHandleSuite, kPFHandleSuiteVersion1)                                 \
  X(WORLD_TRANSFORM_1, worldTransformSuite1, PF_WorldTransformSuite1, kPFWorldTransformSuite,                        \
    kPFWorldTransformSuiteVersion1)

enum class SuiteId : std::size_t {
#define PLENORIUM_SUITE_ID(id, accessor, Table, name, version) id,
  PLENORIUM_EFFECT_SUITES(PLENORIUM_SUITE_ID)
#undef PLENORIUM_SUITE_ID
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

#define PLENORIUM_SUITE_ACCESSOR(id, accessor, Table, name, version) \
  const Table* accessor() {                                          \
    return get<Table>(SuiteId::id);                                  \
  }
  PLENORIUM_EFFECT_SUITES(PLENORIUM_SUITE_ACCESSOR)
#undef PLENORIUM_SUITE_ACCESSOR

  const SPBasicSuite* basic() const {
    return basic_;
  }

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
