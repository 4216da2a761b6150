// The host's core services as slot implementations (each takes the Call, then the slot's own
// arguments): handles, platform data and the ANSI helpers, which several tables share, and the
// lists of the tables the core owns.
#pragma once

#include "AE_EffectCB.h"
#include "c_boundary.h"

namespace plenorium::host {

struct CoreServices {
  static PF_Handle newHandle(Call& c, A_u_longlong size);
  static void* lockHandle(Call& c, PF_Handle handle);
  static void unlockHandle(Call& c, PF_Handle handle);
  static void disposeHandle(Call& c, PF_Handle handle);
  static A_u_longlong handleSize(Call& c, PF_Handle handle);
  static PF_Err resizeHandle(Call& c, A_u_longlong size, PF_Handle* handle);
  static PF_Err platformData(Call& c, PF_ProgPtr effect_ref, PF_PlatDataID which, void* data);
  // Variadic, so it is its own C function rather than one made by the boundary.
  static int ansiSprintf(A_char* buffer, const A_char* format, ...);
  static A_char* ansiStrcpy(Call& c, A_char* dest, const A_char* src);
};

// The ANSI helpers as the utility callbacks embed them, and the colour callbacks (none served).
PF_ANSICallbacks ansiCallbacks();
PF_ColorCallbacks colorCallbacks();

}  // namespace plenorium::host
