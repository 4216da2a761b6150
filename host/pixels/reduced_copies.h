// Area-reduced copies of a world, for warps that rotate or shear while they shrink: each texel of
// a copy averages exactly the source area under it (premultiplied, with the box weights of the
// separable path), so a warp samples the copy bilinearly without aliasing. A world keeps its
// copies, most recently used first, until its pixels change. Private to host/pixels.
#pragma once

#include <list>
#include <vector>

#include "pixel_types.h"
#include "thread_pool.h"
#include "world.h"

namespace plenorium::host {

struct ReducedCopy {
  A_long width = 0;
  A_long height = 0;
  std::vector<Color4> texels;  // premultiplied, row-major
  // Per row, the longest run [begin, end) of texels that are exactly transparent: the inside of a
  // picture frame, the space around a logo. Samples there need no texel read.
  struct Run {
    A_long begin = 0, end = 0;
  };
  std::vector<Run> clearRuns;

  const Color4& at(A_long x, A_long y) const { return texels[static_cast<std::size_t>(y) * width + x]; }
  // Whether texels x and x + 1 of rows y and y + 1 are all transparent (rows in range).
  bool clearQuad(A_long x, A_long y) const {
    const Run& a = clearRuns[static_cast<std::size_t>(y)];
    const Run& b = clearRuns[static_cast<std::size_t>(y) + 1];
    return x >= a.begin && x + 1 < a.end && x >= b.begin && x + 1 < b.end;
  }
};

// Finds each row's longest transparent run of `copy`.
void findClearRuns(ReducedCopy& copy);

class ReducedCopies {
 public:
  // The copy of `world` at width × height, made on first request.
  const ReducedCopy& get(const World& world, A_long width, A_long height, ThreadPool& pool);
  // Memory the copies hold.
  std::size_t bytes() const { return bytes_; }

 private:
  std::list<ReducedCopy> copies_;
  std::size_t bytes_ = 0;
};

// The size to reduce a source axis of `size` pixels to when a destination pixel spans `reach`
// source pixels along it: sizes lie on an eighth-octave ladder at or above size / reach, so a
// bilinear sample of the copy shrinks by at most 2^(1/8) and a slowly changing scale reuses a copy.
// Returns `size` when the axis does not shrink.
A_long reducedSize(A_long size, double reach);

}  // namespace plenorium::host
