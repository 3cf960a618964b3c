// The values of one key: stored contiguously in creation order, found through a compact
// hash index of positions. A removed value leaves a marked gap that a later compaction
// closes, so that removal costs O(1) and enumeration by index walks from a remembered
// position.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/internal.h"
#include "registry/registry_hash_slots.h"
#include "registry/registry_tally.h"

namespace winsim::detail {

struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  std::uint32_t hash = 0;  // of the upper-case name, kept for rebuilding the index
  std::vector<BYTE> data;
  bool removed = false;
};

// The live values in creation order.
class ValueRange {
 public:
  class Iterator {
   public:
    Iterator(const RegValue* at, const RegValue* end) : at_(at), end_(end) { Skip(); }
    const RegValue& operator*() const { return *at_; }
    const RegValue* operator->() const { return at_; }
    Iterator& operator++() {
      ++at_;
      Skip();
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    void Skip() {
      while (at_ != end_ && at_->removed) ++at_;
    }
    const RegValue *at_, *end_;
  };

  ValueRange(const RegValue* begin, const RegValue* end) : begin_(begin), end_(end) {}
  Iterator begin() const { return Iterator(begin_, end_); }
  Iterator end() const { return Iterator(end_, end_); }

 private:
  const RegValue *begin_, *end_;
};

class ValueTable {
 public:
  const RegValue* Find(std::string_view name) const;
  // Replaces type and data, keeping the value's place; a new value goes last.
  void Set(std::string_view name, DWORD type, std::vector<BYTE> data);
  bool Remove(std::string_view name);
  // The value at an enumeration index; nullptr past the end.
  const RegValue* At(std::size_t index);

  std::size_t size() const { return live_; }
  ValueRange All() const { return ValueRange(items_.data(), items_.data() + items_.size()); }
  DWORD MaxNameLength() const { return names_.Max(); }
  DWORD MaxDataLength() const { return data_.Max(); }

 private:
  std::size_t FindPosition(std::string_view name, std::uint32_t hash) const;
  void Compact();

  std::vector<RegValue> items_;
  HashSlots<std::uint32_t> index_;  // positions in items_
  std::size_t live_ = 0;
  LengthTally names_, data_;
  // The last enumeration's place: `index` live values lie before position `at`.
  struct {
    bool valid = false;
    std::size_t index = 0, at = 0;
  } cursor_;
};

}  // namespace winsim::detail
