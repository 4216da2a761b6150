// Axis-aligned warps (scale, mirror and translation, no rotation) done as two one-dimensional
// passes: along an axis that shrinks, each destination pixel averages exactly the source area it
// covers (a box filter with fractional end weights); along an axis that grows or keeps its size,
// it interpolates linearly between the two nearest source pixels. Outside the source counts as
// transparent. Private to host/pixels.
#pragma once

#include <vector>

#include "bounded_cache.h"
#include "composite.h"
#include "thread_pool.h"
#include "world.h"

namespace plenorium::host {

// The destination-to-source map of one axis in continuous coordinates: s = scale · d + offset
// (the centre of destination pixel i is at i + 0.5).
struct AxisMap {
  double scale;
  double offset;
};

// Resampled rows remembered by source (serial and generation), map and area, within the engine's
// memory budget: a source drawn the same way on every frame is resampled once. Rows are kept only
// for a drawing asked for a second time with the same pixels: a moving picture, new pixels on every
// frame, is drawn straight through and costs one small note.
class ResampleCache {
 public:
  struct Drawing {
    std::uint64_t serial;
    AxisMap x, y;
    PF_LRect area;
    bool operator==(const Drawing& o) const;
  };
  struct DrawingHash {
    std::size_t operator()(const Drawing& d) const;
  };
  struct Entry {
    std::uint64_t generation;
    std::vector<Color4> rows;  // premultiplied, area-sized; empty: drawn once, not kept
  };

  explicit ResampleCache(MemoryBudget& budget);
  // The rows kept for this drawing of the source's present pixels, or null.
  const Entry* find(const World& src, AxisMap x, AxisMap y, const PF_LRect& area);
  // Whether this drawing of the source's present pixels was asked for before; notes it if not.
  bool drawnBefore(const World& src, AxisMap x, AxisMap y, const PF_LRect& area);
  void add(const World& src, AxisMap x, AxisMap y, const PF_LRect& area, Entry entry);

 private:
  BoundedCache<Drawing, Entry, DrawingHash> entries_;
};

// The whole of `src` averaged exactly into width × height premultiplied texels (`out` holds them).
void boxReduce(const World& src, A_long width, A_long height, std::vector<Color4>& out, ThreadPool& pool);

void separableResample(const World& src, World& dst, AxisMap x, AxisMap y, const PF_LRect& area,
                       const CompositeSpec& spec, ThreadPool& pool, ResampleCache& cache);

}  // namespace plenorium::host
