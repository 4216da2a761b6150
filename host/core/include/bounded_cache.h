// A cache of values by key, most recently used first, whose entries count against a shared
// MemoryBudget. A value's size is measured when it is put and again on remeasure(), for values
// that grow while kept (pictures gain reduced copies as they are drawn).
#pragma once

#include <functional>
#include <list>
#include <optional>
#include <unordered_map>

#include "memory_budget.h"

namespace plenorium::host {

template <class Key, class Value, class Hash = std::hash<Key>>
class BoundedCache final : public MemoryBudget::Cache {
 public:
  using SizeOf = std::function<std::size_t(const Value&)>;

  BoundedCache(MemoryBudget& budget, SizeOf sizeOf) : budget_(budget), sizeOf_(std::move(sizeOf)) {
    budget_.join(*this);
  }
  ~BoundedCache() override {
    clear();
    budget_.leave(*this);
  }
  BoundedCache(const BoundedCache&) = delete;
  BoundedCache& operator=(const BoundedCache&) = delete;

  // The value kept under `key`, marked as just used; null when there is none. The pointer holds
  // until the cache next changes.
  Value* find(const Key& key) {
    const auto at = index_.find(key);
    if (at == index_.end()) return nullptr;
    touch(at->second);
    return &entries_.front().value;
  }

  // Keeps `value` under `key`, replacing what was kept there, then lets the budget settle (this
  // entry stays, being the one just used).
  void put(const Key& key, Value value) {
    take(key);
    const std::size_t bytes = sizeOf_(value);
    entries_.push_front(Entry{key, std::move(value), bytes, budget_.stamp()});
    index_[key] = entries_.begin();
    budget_.charge(bytes);
    budget_.settle();
  }

  // Removes and returns the value kept under `key`.
  std::optional<Value> take(const Key& key) {
    const auto at = index_.find(key);
    if (at == index_.end()) return std::nullopt;
    return remove(at->second);
  }

  // Removes and returns the most recently used value for which `match` holds.
  template <class Match>
  std::optional<Value> takeFirst(Match match) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (match(it->value)) return remove(it);
    }
    return std::nullopt;
  }

  // Removes and returns, of the values for which `match` holds, the one of least `cost` (the most
  // recently used of equal costs).
  template <class Match, class Cost>
  std::optional<Value> takeCheapest(Match match, Cost cost) {
    auto best = entries_.end();
    decltype(cost(entries_.front().value)) bestCost{};
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (!match(it->value)) continue;
      const auto c = cost(it->value);
      if (best == entries_.end() || c < bestCost) {
        best = it;
        bestCost = c;
      }
    }
    if (best == entries_.end()) return std::nullopt;
    return remove(best);
  }

  // Measures every value again, then lets the budget settle.
  void remeasure() {
    for (Entry& e : entries_) {
      budget_.refund(e.bytes);
      e.bytes = sizeOf_(e.value);
      budget_.charge(e.bytes);
    }
    budget_.settle();
  }

  void clear() {
    while (!entries_.empty()) remove(std::prev(entries_.end()));
  }

  std::size_t size() const { return entries_.size(); }

  std::optional<std::uint64_t> oldestUse() const override {
    if (entries_.empty()) return std::nullopt;
    return entries_.back().used;
  }
  void dropOldest() override { remove(std::prev(entries_.end())); }

 private:
  struct Entry {
    Key key;
    Value value;
    std::size_t bytes;
    std::uint64_t used;
  };
  using Iterator = typename std::list<Entry>::iterator;

  void touch(Iterator it) {
    it->used = budget_.stamp();
    entries_.splice(entries_.begin(), entries_, it);
  }

  Value remove(Iterator it) {
    budget_.refund(it->bytes);
    index_.erase(it->key);
    Value value = std::move(it->value);
    entries_.erase(it);
    return value;
  }

  MemoryBudget& budget_;
  SizeOf sizeOf_;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<Key, Iterator, Hash> index_;
};

}  // namespace plenorium::host
