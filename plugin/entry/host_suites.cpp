#include "host_suites.h"

namespace plenorium {

SuiteName suiteName(SuiteId id) {
  switch (id) {
    case SuiteId::COMP_15: return {kAEGPCompSuite, kAEGPCompSuiteVersion7};
    case SuiteId::DYNAMIC_STREAM_5: return {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4};
    case SuiteId::EFFECT_3: return {kAEGPEffectSuite, kAEGPEffectSuiteVersion3};
    case SuiteId::ITEM_13: return {kAEGPItemSuite, kAEGPItemSuiteVersion8};
    case SuiteId::LAYER_11: return {kAEGPLayerSuite, kAEGPLayerSuiteVersion5};
    case SuiteId::LAYER_13: return {kAEGPLayerSuite, kAEGPLayerSuiteVersion7};
    case SuiteId::MEMORY_1: return {kAEGPMemorySuite, kAEGPMemorySuiteVersion1};
    case SuiteId::PF_INTERFACE_1: return {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1};
    case SuiteId::RENDER_OPTIONS_3: return {kAEGPRenderOptionsSuite, kAEGPRenderOptionsSuiteVersion3};
    case SuiteId::RENDER_2: return {kAEGPRenderSuite, kAEGPRenderSuiteVersion2};
    case SuiteId::STREAM_7: return {kAEGPStreamSuite, kAEGPStreamSuiteVersion2};
    case SuiteId::STREAM_9: return {kAEGPStreamSuite, kAEGPStreamSuiteVersion4};
    case SuiteId::UTILITY_7: return {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3};
    case SuiteId::UTILITY_11: return {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion5};
    case SuiteId::WORLD_2: return {kAEGPWorldSuite, kAEGPWorldSuiteVersion2};
    case SuiteId::WORLD_3: return {kAEGPWorldSuite, kAEGPWorldSuiteVersion3};
    case SuiteId::ANSI_1: return {kPFANSISuite, kPFANSISuiteVersion1};
    case SuiteId::FILL_MATTE_2: return {kPFFillMatteSuite, kPFFillMatteSuiteVersion2};
    case SuiteId::HANDLE_2: return {kPFHandleSuite, kPFHandleSuiteVersion1};
    case SuiteId::WORLD_TRANSFORM_1: return {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1};
    case SuiteId::COUNT: break;
  }
  return {"", 0};
}

HostSuites::HostSuites(const SPBasicSuite* basic) : basic_(basic) {
  if (basic_ == nullptr) throw MissingSuite{};
}

HostSuites::~HostSuites() {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i] == nullptr) continue;
    const SuiteName s = suiteName(static_cast<SuiteId>(i));
    basic_->ReleaseSuite(s.name, s.version);
  }
}

const void* HostSuites::acquire(SuiteId id) {
  const void*& slot = slots_[static_cast<std::size_t>(id)];
  if (slot != nullptr) return slot;
  const SuiteName s = suiteName(id);
  const void* suite = nullptr;
  const SPErr err = basic_->AcquireSuite(s.name, s.version, &suite);
  if (err != kSPNoError) throw MissingSuite{};
  // A host that reports success with no table is treated as missing the suite. It is not
  // released: nothing was handed out.
  if (suite == nullptr) throw MissingSuite{};
  slot = suite;
  return slot;
}

}  // namespace plenorium
