// Compositing a row of source colour onto a destination row in straight alpha, with opacity and
// an optional matte. Private to host/pixels.
#pragma once

#include <span>

#include "AE_Effect.h"
#include "composite_spec.h"
#include "pixel_types.h"
#include "row_sums.h"
#include "world.h"

namespace plenorium::host {

// Composites `source` (premultiplied, one colour per destination pixel from x0) onto row y of
// `dst`. Pixels whose source is fully transparent keep the destination exactly. `scratch` holds
// at least source.size() floats for the matte, so that rows allocate nothing.
void compositePremultipliedRow(World& dst, A_long y, A_long x0, std::span<const Color4> source,
                               const CompositeSpec& spec, std::span<float> scratch);

// Composites straight source pixels; an opaque source, or any source onto transparency, is
// copied exactly.
void compositeStraightRow(World& dst, A_long y, A_long x0, std::span<const Color4> source, const CompositeSpec& spec,
                          std::span<float> scratch);

// Over of `count` pixels of row `sy` of `src` from `sx0` onto row `y` of `dst` from `x0`, both of
// one depth: what compositeStraightRow does with them, but pixels that are copied as they are or
// kept never go through floating point. Returns false, doing nothing, for another mode or depths
// that differ. `scratch` as for compositeStraightRow.
bool overSameDepthRow(const World& src, A_long sy, A_long sx0, World& dst, A_long y, A_long x0, std::size_t count,
                      const CompositeSpec& spec, std::span<float> scratch);

// The matte values (0..1) for destination pixels [x0, x0 + count) of row y.
void maskRow(const CompositeSpec& spec, A_long y, A_long x0, std::span<float> out);

#if PLENORIUM_AVX512_PATHS
// The leading opaque pixels of `source` (premultiplied, shown at `opacity` times their `matte`
// values, or at `opacity` when it is null) over an 8-bit row, sixteen at a time while all sixteen
// are opaque: the one-pixel rule's bytes. Returns how many were written, a multiple of sixteen.
// Only on a processor that has AVX-512 F, BW and VL (processorHasAvx512 in row_sums.h).
std::size_t storeOpaqueRun8Avx512(PF_Pixel8* row, const Color4* source, std::size_t count, float opacity,
                                  const float* matte);
#endif

}  // namespace plenorium::host
