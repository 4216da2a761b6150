// Zeroed memory for pixels. A large block is mapped fresh from the system, in 2 MiB pages where the
// system offers them, so that a whole frame costs a handful of page faults rather than thousands
// (each fault is a trip into the kernel); pages never touched are never made. Small blocks come
// from the allocator.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plenorium::host {

class ZeroedBlock {
 public:
  // Throws std::bad_alloc when the memory cannot be had.
  explicit ZeroedBlock(std::size_t bytes);
  ~ZeroedBlock();
  ZeroedBlock(const ZeroedBlock&) = delete;
  ZeroedBlock& operator=(const ZeroedBlock&) = delete;

  std::uint8_t* data() const { return data_; }

 private:
  std::uint8_t* data_ = nullptr;
  [[maybe_unused]] void* mapping_ = nullptr;  // the whole mapping, when the block is mapped
  [[maybe_unused]] std::size_t mappedBytes_ = 0;
};

}  // namespace plenorium::host
