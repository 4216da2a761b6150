#include "reduced_copies.h"

#include <cmath>

#include "separable_resample.h"

namespace plenorium::host {
namespace {

// Enough for the few sizes one world is drawn at in a frame (a frame picture around twenty
// screens of slightly different tilts), within a memory budget per world.
constexpr std::size_t MAX_COPIES = 24;
constexpr std::size_t MAX_BYTES = std::size_t{96} << 20;
constexpr double LADDER_STEPS_PER_OCTAVE = 8.0;

std::size_t heldBytes(const ReducedCopy& copy) {
  return copy.texels.size() * sizeof(Color4) + copy.clearRuns.size() * sizeof(ReducedCopy::Run);
}

}  // namespace

A_long reducedSize(A_long size, double reach) {
  if (!(reach > 1.0) || size <= 1) return size;
  const double step = std::floor(std::log2(reach) * LADDER_STEPS_PER_OCTAVE) / LADDER_STEPS_PER_OCTAVE;
  const double factor = std::exp2(step);
  if (factor <= 1.0) return size;
  return std::max<A_long>(1, static_cast<A_long>(std::ceil(static_cast<double>(size) / factor)));
}

void findClearRuns(ReducedCopy& copy) {
  copy.clearRuns.assign(static_cast<std::size_t>(copy.height), ReducedCopy::Run{});
  for (A_long y = 0; y < copy.height; ++y) {
    ReducedCopy::Run& best = copy.clearRuns[static_cast<std::size_t>(y)];
    A_long start = 0;
    for (A_long x = 0; x <= copy.width; ++x) {
      const bool clear = x < copy.width && [&] {
        const Color4& t = copy.at(x, y);
        return t.a == 0.0f && t.r == 0.0f && t.g == 0.0f && t.b == 0.0f;
      }();
      if (clear) continue;
      if (x - start > best.end - best.begin) best = {start, x};
      start = x + 1;
    }
  }
}

const ReducedCopy& ReducedCopies::get(const World& world, A_long width, A_long height, ThreadPool& pool) {
  for (auto it = copies_.begin(); it != copies_.end(); ++it) {
    if (it->width == width && it->height == height) {
      copies_.splice(copies_.begin(), copies_, it);
      return copies_.front();
    }
  }
  ReducedCopy copy{
      width, height, std::vector<Color4>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)), {}};
  if (world.isUniform()) {
    // Every average of one colour is that colour.
    const auto& u = world.uniformColor();
    std::fill(copy.texels.begin(), copy.texels.end(), premultiply(Color4{u[0], u[1], u[2], u[3]}));
  } else {
    boxReduce(world, width, height, copy.texels, pool);
  }
  findClearRuns(copy);
  bytes_ += heldBytes(copy);
  copies_.push_front(std::move(copy));
  while (copies_.size() > 1 && (copies_.size() > MAX_COPIES || bytes_ > MAX_BYTES)) {
    bytes_ -= heldBytes(copies_.back());
    copies_.pop_back();
  }
  return copies_.front();
}

}  // namespace plenorium::host
