// Where the renderer gets the pictures of footage items. The host's media readers implement it;
// the renderer itself reads no files, so that it builds without media libraries.
#pragma once

#include "project.h"
#include "world.h"

namespace plenorium::host {

class FootageProvider {
 public:
  virtual ~FootageProvider() = default;
  // Fills the item's size, pixel aspect, frame rate and duration. Throws HostError naming the
  // file when it cannot be read.
  virtual void probe(Item& item) = 0;
  // Draws the item's picture at `seconds` of its own time into `out`, whose size is the item's
  // size divided by `downsample` (rounded up) and whose depth is the render's. Every pixel of
  // `out` is written: it may hold anything before. Throws HostError.
  virtual void readFrame(const Item& item, double seconds, int downsample, World& out) = 0;
};

}  // namespace plenorium::host
