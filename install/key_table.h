// A table of texts, each with a number, for the writers and readers of
// the uninstall data. Pure logic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/work_meter.h"

// Keys (already in lower case), each with a number, in an open-addressing
// table that is never more than half full: finding and adding take constant
// time on average, so that a section is written in time linear in its
// entries. (std::unordered_map would bring the library's hashing, prime
// table and rehashing: 2 KB of the 32-bit stub, 4.5 KB of the 64-bit one.)
class KeyTable {
 public:
  // The number of a key, or null when the key is not in the table.
  size_t* Find(const std::wstring& key) {
    if (slots_.empty()) return nullptr;
    const size_t slot = SlotOf(key);
    return slots_[slot] ? &numbers_[slots_[slot] - 1] : nullptr;
  }
  // The number of a key; a key not yet in the table is added with 0 and
  // `added` set.
  size_t& At(const std::wstring& key, bool* added) {
    if (2 * (keys_.size() + 1) > slots_.size()) Grow();
    size_t slot = SlotOf(key);
    *added = !slots_[slot];
    if (*added) {
      keys_.push_back(key);
      numbers_.push_back(0);
      slots_[slot] = keys_.size();
    }
    return numbers_[slots_[slot] - 1];
  }

 private:
  // The slot that holds the key, or the free one where it would go.
  size_t SlotOf(const std::wstring& key) const {
    uint32_t hash = 2166136261u;  // FNV-1a over the UTF-16 units
    for (wchar_t c : key) hash = (hash ^ static_cast<uint16_t>(c)) * 16777619u;
    size_t slot = hash & (slots_.size() - 1);
    CountWork();
    while (slots_[slot] && keys_[slots_[slot] - 1] != key) {
      slot = (slot + 1) & (slots_.size() - 1);
      CountWork();
    }
    return slot;
  }

  void Grow() {
    slots_.assign(slots_.empty() ? 16 : 2 * slots_.size(), 0);
    for (size_t i = 0; i < keys_.size(); ++i) slots_[SlotOf(keys_[i])] = i + 1;
  }

  std::vector<size_t> slots_;  // 1 + the key's index; 0: free
  std::vector<std::wstring> keys_;
  std::vector<size_t> numbers_;
};
