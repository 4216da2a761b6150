#include "world.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "reduced_copies.h"

namespace plenorium::host {
namespace {
constexpr std::size_t ROW_ALIGNMENT = 64;

#if defined(__linux__)
// Blocks this large are mapped from the system in pages of this size where it has them: the first
// touch of each then costs one page fault instead of 512, which matters where faults are dear
// (virtual machines) and the host fills hundreds of megabytes at once (the effect's frame pictures
// at three depths, decoded frames).
constexpr std::size_t LARGE_PAGE = std::size_t{2} << 20;

// A zeroed block of at least `bytes`, aligned to a large page; null when the system has none.
std::uint8_t* mapLargePages(std::size_t bytes, std::size_t& mapped) {
  // Whole small pages: the last large page's worth that the block does not fill is mapped in
  // small pages, so no more memory is held than a block from the allocator would hold.
  const auto smallPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  mapped = (bytes + smallPage - 1) / smallPage * smallPage;
  // One large page more than needed, to find an aligned start in; the rest goes back at once.
  const std::size_t length = mapped + LARGE_PAGE;
  void* region = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(region);
  const std::uintptr_t aligned = (start + LARGE_PAGE - 1) & ~(LARGE_PAGE - 1);
  const std::size_t head = aligned - start, tail = length - head - mapped;
  if (head > 0) ::munmap(region, head);
  if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + mapped), tail);
  // Only advice: without large pages the block is mapped in small ones.
  ::madvise(reinterpret_cast<void*>(aligned), mapped, MADV_HUGEPAGE);
  return reinterpret_cast<std::uint8_t*>(aligned);
}
#endif

}  // namespace

void PixelStorageRelease::operator()(std::uint8_t* p) const {
#if defined(__linux__)
  if (mapped > 0) {
    ::munmap(p, mapped);
    return;
  }
#endif
  std::free(p);
}

std::size_t bytesPerPixel(PixelDepth depth) {
  switch (depth) {
    case PixelDepth::U8: return 4;
    case PixelDepth::U16: return 8;
    case PixelDepth::F32: return 16;
    case PixelDepth::NONE: break;
  }
  return 4;
}

bool isEmpty(const PF_LRect& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

PF_LRect intersect(const PF_LRect& a, const PF_LRect& b) {
  PF_LRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
  return isEmpty(r) ? PF_LRect{0, 0, 0, 0} : r;
}

PF_LRect unite(const PF_LRect& a, const PF_LRect& b) {
  if (isEmpty(a)) return b;
  if (isEmpty(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

World::World(PixelDepth depth, A_long width, A_long height)
    : depth_(depth), width_(std::max<A_long>(width, 0)), height_(std::max<A_long>(height, 0)) {
  const std::size_t row = static_cast<std::size_t>(width_) * bytesPerPixel(depth_);
  rowBytes_ = static_cast<A_long>((row + ROW_ALIGNMENT - 1) / ROW_ALIGNMENT * ROW_ALIGNMENT);
  // One alignment's worth for aligning the start and one of room past the last row, which vector
  // writers (swscale among them) may touch beyond the width.
  const std::size_t bytes =
      std::max<std::size_t>(static_cast<std::size_t>(rowBytes_) * static_cast<std::size_t>(height_), 1) +
      2 * ROW_ALIGNMENT;
  // Zeroed memory: large blocks arrive as fresh pages, cleared only as they are touched, so a big
  // world that is drawn into only in a small area costs little.
#if defined(__linux__)
  if (bytes >= LARGE_PAGE) {
    std::size_t mapped = 0;
    if (std::uint8_t* block = mapLargePages(bytes, mapped))
      storage_ = decltype(storage_)(block, PixelStorageRelease{mapped});
  }
#endif
  if (!storage_) storage_.reset(static_cast<std::uint8_t*>(std::calloc(bytes, 1)));
  if (!storage_) throw std::bad_alloc();
  const auto address = reinterpret_cast<std::uintptr_t>(storage_.get());
  data_ = storage_.get() + (ROW_ALIGNMENT - address % ROW_ALIGNMENT) % ROW_ALIGNMENT;
}

World::~World() = default;

PF_EffectWorld World::view() const {
  PF_EffectWorld w{};
  w.world_flags = PF_WorldFlag_WRITEABLE | (depth_ == PixelDepth::U16 ? PF_WorldFlag_DEEP : 0);
  w.data = reinterpret_cast<PF_PixelPtr>(data_);
  w.rowbytes = rowBytes_;
  w.width = width_;
  w.height = height_;
  w.extent_hint = {0, 0, width_, height_};
  w.pix_aspect_ratio = {1, 1};
  return w;
}

void World::markWritten(const PF_LRect& rect) {
  const PF_LRect clipped = intersect(rect, PF_LRect{0, 0, width_, height_});
  if (isEmpty(clipped)) return;
  touched_ = unite(touched_, clipped);
  uniform_ = false;
  ++generation_;
}

void World::markAllWritten() {
  touched_ = {0, 0, width_, height_};
  uniform_ = false;
  ++generation_;
}

void World::markClear() {
  touched_ = {0, 0, 0, 0};
  uniform_ = true;
  uniformColor_ = {0, 0, 0, 0};
  ++generation_;
}

void World::markUniform(const std::array<float, 4>& argb) {
  uniform_ = true;
  uniformColor_ = argb;
}

void World::dropCaches() {
  reduced_.reset();
  reducedGeneration_ = 0;
}

std::size_t World::heldBytes() const {
  return static_cast<std::size_t>(rowBytes_) * static_cast<std::size_t>(height_) + (reduced_ ? reduced_->bytes() : 0);
}

const ReducedCopy& World::reducedCopy(A_long width, A_long height, ThreadPool& pool) const {
  if (!reduced_ || reducedGeneration_ != generation_) {
    reduced_ = std::make_unique<ReducedCopies>();
    reducedGeneration_ = generation_;
  }
  return reduced_->get(*this, width, height, pool);
}

}  // namespace plenorium::host
