// What the host's AVX-512 code needs: whether the build holds it, the target of its functions, and
// the brackets that go around it. Private to host/pixels.
#pragma once

// The AVX-512 versions are left out of Windows builds: GCC there keeps the stack aligned to 16
// bytes but may spill 64-byte vectors to it with aligned moves (GCC bug 54412).
#if defined(__x86_64__) && !defined(_WIN32)
#define PLENORIUM_AVX512_PATHS 1
#else
#define PLENORIUM_AVX512_PATHS 0
#endif

#define PLENORIUM_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl")))

// GCC's AVX-512 intrinsics hand their builtins an undefined vector as the (unused) source of
// masked-off lanes, which its -Wmaybe-uninitialized reports.
#if defined(__GNUC__) && !defined(__clang__)
#define PLENORIUM_AVX512_CODE_BEGIN \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define PLENORIUM_AVX512_CODE_END _Pragma("GCC diagnostic pop")
#else
#define PLENORIUM_AVX512_CODE_BEGIN
#define PLENORIUM_AVX512_CODE_END
#endif
