// An open-addressing hash table of small payloads with their hashes stored inline, probed
// linearly, so that a lookup touches one or two cache lines; deletion shifts the following
// entries back instead of leaving markers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace winsim::detail {

template <typename Payload>
class HashSlots {
 public:
  // `match(payload)` tells whether a payload with the same hash is the one sought.
  template <typename Match>
  Payload* Find(std::uint32_t hash, Match match) {
    std::size_t at = FindAt(hash, match);
    return at == kNone ? nullptr : &slots_[at].payload;
  }
  template <typename Match>
  const Payload* Find(std::uint32_t hash, Match match) const {
    std::size_t at = FindAt(hash, match);
    return at == kNone ? nullptr : &slots_[at].payload;
  }

  // The payload must not be there yet; hash is never 0.
  void Insert(std::uint32_t hash, Payload payload) {
    if ((size_ + 1) * 10 > slots_.size() * 7) Grow();
    Place(hash, payload);
    ++size_;
  }

  template <typename Match>
  bool Erase(std::uint32_t hash, Match match) {
    std::size_t at = FindAt(hash, match);
    if (at == kNone) return false;
    EraseAt(at);
    --size_;
    return true;
  }

  void Clear() {
    slots_.clear();
    size_ = 0;
    mask_ = 0;
  }
  std::size_t size() const { return size_; }

 private:
  struct Slot {
    std::uint32_t hash = 0;  // 0: empty
    Payload payload{};
  };
  static constexpr std::size_t kNone = ~std::size_t{0};

  template <typename Match>
  std::size_t FindAt(std::uint32_t hash, Match& match) const {
    if (slots_.empty()) return kNone;
    for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
      const Slot& slot = slots_[at];
      if (slot.hash == 0) return kNone;
      if (slot.hash == hash && match(slot.payload)) return at;
    }
  }

  void Place(std::uint32_t hash, Payload payload) {
    std::size_t at = hash & mask_;
    while (slots_[at].hash != 0) at = (at + 1) & mask_;
    slots_[at].hash = hash;
    slots_[at].payload = payload;
  }

  void Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.resize(old.empty() ? 8 : old.size() * 2);
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old)
      if (slot.hash != 0) Place(slot.hash, slot.payload);
  }

  // Moves back each following entry whose home lies at or before the hole.
  void EraseAt(std::size_t hole) {
    for (std::size_t at = (hole + 1) & mask_; slots_[at].hash != 0; at = (at + 1) & mask_) {
      std::size_t home = slots_[at].hash & mask_;
      bool homeInHoleToAt = hole <= at ? (home > hole && home <= at) : (home > hole || home <= at);
      if (!homeInHoleToAt) {
        slots_[hole] = slots_[at];
        hole = at;
      }
    }
    slots_[hole] = Slot{};
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0, mask_ = 0;
};

}  // namespace winsim::detail
