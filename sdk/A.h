/* Basic scalar and record types shared by every header of the host interface layer.
 * C-compatible; sizes match the host's 64-bit ABI. */
#ifndef PLENORIUM_SDK_A_H
#define PLENORIUM_SDK_A_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef char A_char;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef int64_t A_intptr_t;
typedef double A_FpLong;
typedef float A_FpShort;
typedef A_long A_Err;
typedef uint16_t A_UTF16Char;
typedef uint64_t A_u_longlong;
typedef void* A_Handle;
typedef A_u_longlong A_HandleSize;

/* A time is value / scale seconds. */
typedef struct {
  A_long value;
  A_u_long scale;
} A_Time;

typedef struct {
  A_long num;
  A_u_long den;
} A_Ratio;

typedef struct {
  A_long left, top, right, bottom;
} A_LRect;

typedef struct {
  A_FpLong left, top, right, bottom;
} A_FloatRect;

typedef struct {
  A_FpLong x, y;
} A_FloatPoint;

typedef struct {
  A_FpLong mat[4][4];
} A_Matrix4;

typedef struct {
  A_FpLong mat[3][3];
} A_Matrix3;

enum { A_Err_NONE = 0, A_Err_GENERIC = 1, A_Err_STRUCT = 2, A_Err_PARAMETER = 3, A_Err_ALLOC = 4 };

#ifdef __cplusplus
}
#endif

#endif
