// Axis-aligned warps (scale, mirror and translation, no rotation) done as two one-dimensional
// passes: along an axis that shrinks, each destination pixel averages exactly the source area it
// covers (a box filter with fractional end weights); along an axis that grows or keeps its size,
// it interpolates linearly between the two nearest source pixels. Outside the source counts as
// transparent. Private to host/pixels.
#pragma once

#include <list>
#include <vector>

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

// Resampled rows remembered by source (serial and generation), map and area, most recent first,
// within a byte budget: a source drawn the same way on every frame is resampled once.
class ResampleCache {
 public:
  struct Entry {
    std::uint64_t serial, generation;
    AxisMap x, y;
    PF_LRect area;
    std::vector<Color4> rows;  // premultiplied, area-sized
  };
  const Entry* find(const World& src, AxisMap x, AxisMap y, const PF_LRect& area);
  // Takes out an entry of the same source, map and area made from older pixels and returns its
  // storage for the new result (a moving picture drawn the same way each frame), or an empty vector.
  std::vector<Color4> reclaim(const World& src, AxisMap x, AxisMap y, const PF_LRect& area);
  void add(Entry entry);

 private:
  std::list<Entry> entries_;
  std::size_t bytes_ = 0;
};

// The whole of `src` averaged exactly into width × height premultiplied texels (`out` holds them).
void boxReduce(const World& src, A_long width, A_long height, std::vector<Color4>& out, ThreadPool& pool);

void separableResample(const World& src, World& dst, AxisMap x, AxisMap y, const PF_LRect& area,
                       const CompositeSpec& spec, ThreadPool& pool, ResampleCache& cache);

}  // namespace plenorium::host
