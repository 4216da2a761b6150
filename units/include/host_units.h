// The conversions between the host's units that the effect and the host both make: a picture's
// depth as pixel format and world type, 16.16 fixed point, and host time (value / scale).
#pragma once

#include <algorithm>
#include <cmath>

#include "AE_Effect.h"
#include "AE_GeneralPlug.h"

namespace plenorium {

// A picture's bit depth. The values are the host's world types, so a depth code is also the
// world type of every world made at that depth.
enum class DepthCode : int { NONE = 0, U8 = 1, U16 = 2, F32 = 3 };

inline DepthCode depthOfPixelFormat(PF_PixelFormat format) {
  switch (format) {
    case PF_PixelFormat_ARGB32: return DepthCode::U8;
    case PF_PixelFormat_ARGB64: return DepthCode::U16;
    case PF_PixelFormat_ARGB128: return DepthCode::F32;
    default: return DepthCode::NONE;
  }
}

inline PF_PixelFormat pixelFormatOf(DepthCode depth) {
  switch (depth) {
    case DepthCode::U8: return PF_PixelFormat_ARGB32;
    case DepthCode::U16: return PF_PixelFormat_ARGB64;
    case DepthCode::F32: return PF_PixelFormat_ARGB128;
    case DepthCode::NONE: break;
  }
  return PF_PixelFormat_INVALID;
}

inline DepthCode depthOfWorldType(AEGP_WorldType type) {
  switch (type) {
    case AEGP_WorldType_8: return DepthCode::U8;
    case AEGP_WorldType_16: return DepthCode::U16;
    case AEGP_WorldType_32: return DepthCode::F32;
    default: return DepthCode::NONE;
  }
}

inline AEGP_WorldType worldTypeOf(DepthCode depth) {
  return static_cast<AEGP_WorldType>(depth);
}

// 16.16 fixed point: 1.0 is 65536.
inline constexpr double FIXED_ONE = 65536.0;

inline double fromFixed(PF_Fixed value) {
  return value / FIXED_ONE;
}

// The nearest fixed-point value, saturating at the type's range.
inline PF_Fixed toFixed(double value) {
  if (std::isnan(value)) return 0;
  const double scaled = std::clamp(value * FIXED_ONE, -2147483648.0, 2147483647.0);
  return static_cast<PF_Fixed>(std::lround(scaled));
}

// Host time to seconds; a time without a scale is 0.
inline double secondsOf(A_long value, A_u_long scale) {
  return scale == 0 ? 0.0 : static_cast<double>(value) / scale;
}
inline double secondsOf(const A_Time& time) {
  return secondsOf(time.value, time.scale);
}

// Seconds to the nearest host time value at `scale`.
inline A_long timeValueOf(double seconds, A_u_long scale) {
  return static_cast<A_long>(std::llround(seconds * scale));
}

}  // namespace plenorium
