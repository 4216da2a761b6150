// A set of addresses in one flat table (open addressing, linear probing), for the handles a host
// hands out and takes back hundreds of thousands of times a frame: adding and removing allocate
// nothing once the table has grown to the most ever held at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plenorium::host {

class PointerSet {
 public:
  // Adds `p` (not null); false when it was already there.
  bool insert(const void* p) {
    if ((size_ + 1) * 4 > slots_.size() * 3) grow();
    std::size_t i = home(p);
    while (slots_[i] != nullptr) {
      if (slots_[i] == p) return false;
      i = next(i);
    }
    slots_[i] = p;
    ++size_;
    return true;
  }

  bool contains(const void* p) const { return p != nullptr && find(p) != NONE; }

  // Removes `p`; false when it was not there.
  bool erase(const void* p) {
    std::size_t hole = p != nullptr ? find(p) : NONE;
    if (hole == NONE) return false;
    // Backward-shift deletion: entries after the hole that would no longer be reachable from their
    // home slot move into it, so lookups never need tombstones.
    for (std::size_t i = next(hole); slots_[i] != nullptr; i = next(i)) {
      const std::size_t h = home(slots_[i]);
      const bool reachable = hole <= i ? (h > hole && h <= i) : (h > hole || h <= i);
      if (reachable) continue;
      slots_[hole] = slots_[i];
      hole = i;
    }
    slots_[hole] = nullptr;
    --size_;
    return true;
  }

  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t NONE = ~std::size_t{0};

  std::size_t home(const void* p) const {
    // Fibonacci hashing of the address: allocations differ mostly in their middle bits.
    const auto v = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
    return static_cast<std::size_t>((v * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  std::size_t next(std::size_t i) const { return (i + 1) & (slots_.size() - 1); }

  std::size_t find(const void* p) const {
    if (slots_.empty()) return NONE;
    for (std::size_t i = home(p); slots_[i] != nullptr; i = next(i)) {
      if (slots_[i] == p) return i;
    }
    return NONE;
  }

  void grow() {
    std::vector<const void*> old(slots_.size() < 16 ? 16 : slots_.size() * 2, nullptr);
    old.swap(slots_);
    shift_ = 64;
    for (std::size_t n = slots_.size(); n > 1; n >>= 1) --shift_;
    size_ = 0;
    for (const void* p : old) {
      if (p != nullptr) insert(p);
    }
  }

  std::vector<const void*> slots_;  // a power of two in size, at most three quarters full
  std::size_t size_ = 0;
  unsigned shift_ = 64;
};

}  // namespace plenorium::host
