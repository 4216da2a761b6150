// The kinds of opaque handle that cross the plug-in boundary, and which C type carries which kind,
// so that every handle a plug-in passes in can be checked before the host follows it.
#pragma once

#include <cstddef>

#include "AE_EffectCB.h"
#include "AE_GeneralPlug.h"

namespace plenorium::host {

enum class HandleType : std::size_t {
  EFFECT_CONTEXT,  // PF_ProgPtr: the effect_ref of the command in progress
  LAYER,
  COMP,
  ITEM,
  EFFECT,
  STREAM,
  RENDER_OPTIONS,
  FRAME_RECEIPT,
  WORLD,
  MEMORY,
  FOREIGN,  // handles this host never hands out (masks, markers, sound, platform worlds, ...)
  COUNT
};
inline constexpr std::size_t HANDLE_TYPES = static_cast<std::size_t>(HandleType::COUNT);

// HandleTypeOf<T>::value names the kind that a parameter of type T carries; types without it are
// not handles (numbers, records and out-parameters).
template <typename T>
struct HandleTypeOf {};

#define PLENORIUM_HANDLE_TYPE(CType, kind)                \
  template <>                                             \
  struct HandleTypeOf<CType> {                            \
    static constexpr HandleType value = HandleType::kind; \
  }
PLENORIUM_HANDLE_TYPE(PF_ProgPtr, EFFECT_CONTEXT);
PLENORIUM_HANDLE_TYPE(AEGP_LayerH, LAYER);
PLENORIUM_HANDLE_TYPE(AEGP_CompH, COMP);
PLENORIUM_HANDLE_TYPE(AEGP_ItemH, ITEM);
PLENORIUM_HANDLE_TYPE(AEGP_EffectRefH, EFFECT);
PLENORIUM_HANDLE_TYPE(AEGP_StreamRefH, STREAM);
PLENORIUM_HANDLE_TYPE(AEGP_RenderOptionsH, RENDER_OPTIONS);
PLENORIUM_HANDLE_TYPE(AEGP_FrameReceiptH, FRAME_RECEIPT);
PLENORIUM_HANDLE_TYPE(AEGP_WorldH, WORLD);
PLENORIUM_HANDLE_TYPE(AEGP_MemHandle, MEMORY);
PLENORIUM_HANDLE_TYPE(AEGP_ProjectH, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_MaskRefH, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_Collection2H, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_TextDocumentH, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_MaskOutlineValH, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_PlatformWorldH, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_SoundDataH, FOREIGN);
PLENORIUM_HANDLE_TYPE(AEGP_ItemViewP, FOREIGN);
PLENORIUM_HANDLE_TYPE(PF_LayerAudio, FOREIGN);
#undef PLENORIUM_HANDLE_TYPE

template <typename T>
concept CheckedHandle = requires {
  HandleTypeOf<T>::value;
};

}  // namespace plenorium::host
