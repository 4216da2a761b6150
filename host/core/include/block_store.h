// Movable memory blocks handed to plug-ins: the PF handles (a pointer to the block's address)
// and the AEGP memory handles. Every block is counted; new blocks are not cleared, as in the
// host application, so code that relies on zeroed memory shows up in tests.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "accounting.h"

namespace plenorium::host {

class BlockStore {
 public:
  BlockStore(Accounting& accounting, std::string kind) : accounting_(accounting), kind_(std::move(kind)) {}
  ~BlockStore();
  BlockStore(const BlockStore&) = delete;
  BlockStore& operator=(const BlockStore&) = delete;

  // Returns the address of the block's data pointer, which stays put for the block's life.
  void** allocate(std::size_t size);
  bool owns(void** handle) const { return blocks_.count(handle) != 0; }
  // Returns false for a handle the store does not own.
  bool dispose(void** handle);
  // Null when the handle is unknown or locking is switched off for tests.
  void* lock(void** handle);
  bool unlock(void** handle);
  std::size_t size(void** handle) const;
  bool resize(void** handle, std::size_t size);
  int lockCount(void** handle) const;
  std::size_t live() const { return blocks_.size(); }

  void failLocks(bool fail) { failLocks_ = fail; }

 private:
  struct Block {
    void* data = nullptr;  // first member: the handle is the address of this pointer
    std::size_t size = 0;
    int locks = 0;
    std::unique_ptr<unsigned char[]> storage;
  };
  Block* find(void** handle) const;

  Accounting& accounting_;
  std::string kind_;
  std::map<void**, std::unique_ptr<Block>> blocks_;
  bool failLocks_ = false;
};

}  // namespace plenorium::host
