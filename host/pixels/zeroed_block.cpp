#include "zeroed_block.h"

#include <cstdlib>
#include <new>

// Under AddressSanitizer every block comes from the allocator, whose blocks it guards.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLENORIUM_ALLOCATOR_ONLY 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PLENORIUM_ALLOCATOR_ONLY 1
#endif
#if defined(__linux__) && !defined(PLENORIUM_ALLOCATOR_ONLY)
#define PLENORIUM_MAPPED_BLOCKS 1
#include <sys/mman.h>
#endif

namespace plenorium::host {
namespace {

#if defined(PLENORIUM_MAPPED_BLOCKS)
constexpr std::size_t LARGE_PAGE = std::size_t{2} << 20;
// Blocks from this size on are mapped: a 1080p 8-bit frame is 8 MiB.
constexpr std::size_t MAPPED_FROM = std::size_t{4} << 20;
#endif

}  // namespace

ZeroedBlock::ZeroedBlock(std::size_t bytes) {
#if defined(PLENORIUM_MAPPED_BLOCKS)
  if (bytes >= MAPPED_FROM) {
    // One large page more than asked for, so that the block can start on a large page's boundary.
    const std::size_t length = bytes + LARGE_PAGE;
    void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    const auto address = reinterpret_cast<std::uintptr_t>(mapping);
    auto* start = static_cast<std::uint8_t*>(mapping) + (LARGE_PAGE - address % LARGE_PAGE) % LARGE_PAGE;
    // Only a wish: where the system gives no large pages, small ones serve.
    madvise(start, (bytes + LARGE_PAGE - 1) / LARGE_PAGE * LARGE_PAGE, MADV_HUGEPAGE);
    mapping_ = mapping;
    mappedBytes_ = length;
    data_ = start;
    return;
  }
#endif
  data_ = static_cast<std::uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
  if (data_ == nullptr) throw std::bad_alloc();
}

ZeroedBlock::~ZeroedBlock() {
#if defined(PLENORIUM_MAPPED_BLOCKS)
  if (mapping_ != nullptr) {
    munmap(mapping_, mappedBytes_);
    return;
  }
#endif
  std::free(data_);
}

}  // namespace plenorium::host
