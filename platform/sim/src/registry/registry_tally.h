// The largest of a changing set of lengths, exact after removals without a rescan.
#pragma once

#include <cstddef>
#include <map>

#include "core/internal.h"

namespace winsim::detail {

class LengthTally {
 public:
  void Add(std::size_t length) { ++counts_[length]; }
  void Remove(std::size_t length) {
    auto it = counts_.find(length);
    if (it != counts_.end() && --it->second == 0) counts_.erase(it);
  }
  DWORD Max() const { return counts_.empty() ? 0 : static_cast<DWORD>(counts_.rbegin()->first); }

 private:
  std::map<std::size_t, std::size_t> counts_;  // few distinct lengths: a small map
};

}  // namespace winsim::detail
