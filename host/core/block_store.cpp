#include "block_store.h"

#include <algorithm>
#include <cstring>

namespace plenorium::host {
namespace {
constexpr unsigned char UNCLEARED = 0xA5;
}

BlockStore::~BlockStore() = default;

BlockStore::Block* BlockStore::find(void** handle) const {
  const auto it = blocks_.find(handle);
  return it == blocks_.end() ? nullptr : it->second.get();
}

void** BlockStore::allocate(std::size_t size) {
  auto block = std::make_unique<Block>();
  block->storage.reset(new unsigned char[std::max<std::size_t>(size, 1)]);
  std::memset(block->storage.get(), UNCLEARED, std::max<std::size_t>(size, 1));
  block->data = block->storage.get();
  block->size = size;
  void** handle = &block->data;
  blocks_.emplace(handle, std::move(block));
  accounting_.take(kind_);
  return handle;
}

bool BlockStore::dispose(void** handle) {
  if (blocks_.erase(handle) == 0) return false;
  accounting_.give(kind_);
  return true;
}

void* BlockStore::lock(void** handle) {
  Block* b = find(handle);
  if (b == nullptr || failLocks_) return nullptr;
  b->locks++;
  return b->data;
}

bool BlockStore::unlock(void** handle) {
  Block* b = find(handle);
  if (b == nullptr || b->locks == 0) return false;
  b->locks--;
  return true;
}

std::size_t BlockStore::size(void** handle) const {
  const Block* b = find(handle);
  return b == nullptr ? 0 : b->size;
}

bool BlockStore::resize(void** handle, std::size_t size) {
  Block* b = find(handle);
  if (b == nullptr || b->locks != 0) return false;
  std::unique_ptr<unsigned char[]> grown(new unsigned char[std::max<std::size_t>(size, 1)]);
  std::memset(grown.get(), UNCLEARED, std::max<std::size_t>(size, 1));
  std::memcpy(grown.get(), b->storage.get(), std::min(size, b->size));
  b->storage = std::move(grown);
  b->data = b->storage.get();
  b->size = size;
  return true;
}

int BlockStore::lockCount(void** handle) const {
  const Block* b = find(handle);
  return b == nullptr ? 0 : b->locks;
}

}  // namespace plenorium::host
