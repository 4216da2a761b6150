// The published name and version of the suite each served table belongs to, in one list: trace
// lines name them, since slot names repeat across suites (AEGP_Dispose...). Tables handed over in
// PF_InData and in the render commands' extras are the plug-in's callbacks, "callback".
#pragma once

#include "AE_EffectCB.h"
#include "AE_EffectSuites.h"
#include "AE_GeneralPlug.h"
#include "SPBasic.h"

namespace plenorium::host {

template <typename Table>
struct SuiteIdentity {
  static constexpr const char* NAME = "callback";
  static constexpr int VERSION = 0;  // none
};

#define PLENORIUM_SUITE_IDENTITY(Table, name, version) \
  template <>                                          \
  struct SuiteIdentity<Table> {                        \
    static constexpr const char* NAME = name;          \
    static constexpr int VERSION = version;            \
  }

// The basic suite has no constants of its own in the published headers.
PLENORIUM_SUITE_IDENTITY(SPBasicSuite, "SP Basic Suite", 8);
PLENORIUM_SUITE_IDENTITY(PF_HandleSuite1, kPFHandleSuite, kPFHandleSuiteVersion1);
PLENORIUM_SUITE_IDENTITY(PF_ANSICallbacksSuite1, kPFANSISuite, kPFANSISuiteVersion1);
PLENORIUM_SUITE_IDENTITY(PF_WorldTransformSuite1, kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1);
PLENORIUM_SUITE_IDENTITY(PF_FillMatteSuite2, kPFFillMatteSuite, kPFFillMatteSuiteVersion2);
PLENORIUM_SUITE_IDENTITY(PF_WorldSuite2, kPFWorldSuite, kPFWorldSuiteVersion2);
PLENORIUM_SUITE_IDENTITY(AEGP_PFInterfaceSuite1, kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
PLENORIUM_SUITE_IDENTITY(AEGP_EffectSuite3, kAEGPEffectSuite, kAEGPEffectSuiteVersion3);
PLENORIUM_SUITE_IDENTITY(AEGP_StreamSuite2, kAEGPStreamSuite, kAEGPStreamSuiteVersion2);
PLENORIUM_SUITE_IDENTITY(AEGP_StreamSuite4, kAEGPStreamSuite, kAEGPStreamSuiteVersion4);
PLENORIUM_SUITE_IDENTITY(AEGP_DynamicStreamSuite4, kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4);
PLENORIUM_SUITE_IDENTITY(AEGP_LayerSuite5, kAEGPLayerSuite, kAEGPLayerSuiteVersion5);
PLENORIUM_SUITE_IDENTITY(AEGP_LayerSuite7, kAEGPLayerSuite, kAEGPLayerSuiteVersion7);
PLENORIUM_SUITE_IDENTITY(AEGP_CompSuite7, kAEGPCompSuite, kAEGPCompSuiteVersion7);
PLENORIUM_SUITE_IDENTITY(AEGP_ItemSuite8, kAEGPItemSuite, kAEGPItemSuiteVersion8);
PLENORIUM_SUITE_IDENTITY(AEGP_RenderOptionsSuite3, kAEGPRenderOptionsSuite, kAEGPRenderOptionsSuiteVersion3);
PLENORIUM_SUITE_IDENTITY(AEGP_RenderSuite2, kAEGPRenderSuite, kAEGPRenderSuiteVersion2);
PLENORIUM_SUITE_IDENTITY(AEGP_WorldSuite2, kAEGPWorldSuite, kAEGPWorldSuiteVersion2);
PLENORIUM_SUITE_IDENTITY(AEGP_WorldSuite3, kAEGPWorldSuite, kAEGPWorldSuiteVersion3);
PLENORIUM_SUITE_IDENTITY(AEGP_MemorySuite1, kAEGPMemorySuite, kAEGPMemorySuiteVersion1);
PLENORIUM_SUITE_IDENTITY(AEGP_UtilitySuite3, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3);
PLENORIUM_SUITE_IDENTITY(AEGP_UtilitySuite5, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5);

#undef PLENORIUM_SUITE_IDENTITY

}  // namespace plenorium::host
