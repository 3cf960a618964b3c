// The subkeys of one key. They are found through a hash index by upper-case name, and
// enumerate in upper-case order from two sorted runs: a large one and a small one of
// recent additions, merged into the large one when it grows past about the square root of
// the large one's size. Keys created in bulk, with no enumeration between them, are only
// appended and sorted at the next enumeration. A removed key stays in its run, marked
// deleted, until a compaction once half the entries are gone; a remembered position
// makes index i+1 after index i O(1) however the key changes between the calls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "registry/registry_hash_slots.h"
#include "registry/registry_tally.h"

namespace winsim::detail {

class RegKey;

class SubKeyTable {
 public:
  RegKey* Find(std::string_view name) const;
  // The key's name must not be there yet.
  void Add(std::shared_ptr<RegKey> key);
  // Unlinks the key and marks it deleted; null when missing.
  std::shared_ptr<RegKey> Remove(std::string_view name);
  // The name of the key at an enumeration index; nothing past the end.
  std::optional<std::string_view> NameAt(std::size_t index);
  // In enumeration order.
  void ForEachSorted(const std::function<void(const RegKey&)>& visit);
  // In no particular order.
  void ForEach(const std::function<void(RegKey&)>& visit) const;

  std::size_t size() const { return live_; }
  DWORD MaxNameLength() const { return names_.Max(); }

 private:
  // Carries the name's characters, so that comparing and enumerating do not go through the
  // key object first; a linked key keeps its name, and the entry keeps the key alive.
  struct Entry {
    Entry() = default;
    explicit Entry(std::shared_ptr<RegKey> linked);
    std::string_view name() const { return std::string_view(text, size); }

    std::uint64_t prefix = 0;  // FoldedPrefix of the name, so that most comparisons stay here
    const char* text = nullptr;
    std::size_t size = 0;
    std::shared_ptr<RegKey> key;
  };
  static bool Less(const Entry& a, const Entry& b);
  static void Sort(std::vector<Entry>& entries);
  std::size_t RecentLimit() const;
  void Arrange();
  void Merge();
  void CompactIfSparse();
  // The entry just after or just before the cursor's cut of the two runs; null at an end.
  const Entry* Next() const;
  const Entry* Previous() const;
  void StepForward();
  void StepBack();

  HashSlots<RegKey*> index_;
  std::vector<Entry> sorted_, recent_;
  bool recentSorted_ = true;
  bool enumeratedSinceMerge_ = false;
  std::size_t live_ = 0, dead_ = 0;
  LengthTally names_;
  // Cuts both runs: `index` live keys lie before the cut, which is after sorted_[0, inSorted)
  // and recent_[0, inRecent). While valid, recent_ stays sorted.
  struct {
    bool valid = false;
    std::size_t index = 0, inSorted = 0, inRecent = 0;
  } cursor_;
};

}  // namespace winsim::detail
