#include "registry/registry_subkeys.h"

#include <algorithm>

#include "registry/registry_key.h"
#include "registry/registry_names.h"

namespace winsim::detail {

SubKeyTable::Entry::Entry(std::shared_ptr<RegKey> linked)
    : prefix(FoldedPrefix(linked->name)),
      text(linked->name.data()),
      size(linked->name.size()),
      key(std::move(linked)) {}

bool SubKeyTable::Less(const Entry& a, const Entry& b) {
  if (a.prefix != b.prefix) return a.prefix < b.prefix;
  int order = CompareFolded(a.name(), b.name());
  // A deleted key and a new one of its name: creation order keeps the order total.
  return order != 0 ? order < 0 : a.key->serial < b.key->serial;
}

// Radix sort by the prefixes, which is linear and streams through memory; only runs of
// equal prefixes are then sorted by whole names.
void SubKeyTable::Sort(std::vector<Entry>& entries) {
  const std::size_t n = entries.size();
  if (n < 2) return;
  if (n < 64) {
    std::sort(entries.begin(), entries.end(), Less);
    return;
  }
  std::vector<std::size_t> counts(8 * 256, 0);
  for (const Entry& entry : entries)
    for (int digit = 0; digit < 8; ++digit)
      ++counts[digit * 256 + ((entry.prefix >> (8 * digit)) & 0xFF)];
  std::vector<Entry> scratch(n);
  for (int digit = 0; digit < 8; ++digit) {
    std::size_t* count = &counts[digit * 256];
    if (std::find(count, count + 256, n) != count + 256) continue;  // one bucket: nothing moves
    std::size_t start = 0;
    for (int bucket = 0; bucket < 256; ++bucket) {
      std::size_t size = count[bucket];
      count[bucket] = start;
      start += size;
    }
    for (Entry& entry : entries)
      scratch[count[(entry.prefix >> (8 * digit)) & 0xFF]++] = std::move(entry);
    entries.swap(scratch);
  }
  for (std::size_t from = 0; from < n;) {
    std::size_t to = from + 1;
    while (to < n && entries[to].prefix == entries[from].prefix) ++to;
    if (to - from > 1) std::sort(entries.begin() + from, entries.begin() + to, Less);
    from = to;
  }
}

RegKey* SubKeyTable::Find(std::string_view name) const {
  RegKey* const* found =
      index_.Find(FoldedHash(name), [&](const RegKey* key) { return SameFolded(key->name, name); });
  return found ? *found : nullptr;
}

std::size_t SubKeyTable::RecentLimit() const {
  std::size_t root = 64;
  while (root * root < sorted_.size()) root *= 2;
  return root;
}

void SubKeyTable::Add(std::shared_ptr<RegKey> key) {
  Entry entry(key);
  const std::uint32_t hash = FoldedHash(key->name);
  if (cursor_.valid && recent_.size() >= RecentLimit()) {
    // Keeping the order for the cursor pays only while enumeration goes on; additions in
    // bulk are left unsorted until the next enumeration.
    if (enumeratedSinceMerge_)
      Merge();
    else
      cursor_.valid = false;
  }
  index_.Insert(hash, key.get());
  try {
    if (!cursor_.valid) {
      if (recentSorted_ && !recent_.empty() && Less(entry, recent_.back())) recentSorted_ = false;
      recent_.push_back(std::move(entry));
    } else {
      // Before the cut when it sorts before the item after the cut: that item moves on.
      const Entry* next = Next();
      bool beforeCut = next == nullptr || Less(entry, *next);
      auto at = std::lower_bound(recent_.begin(), recent_.end(), entry, Less);
      recent_.insert(at, std::move(entry));
      if (beforeCut) {
        ++cursor_.inRecent;
        ++cursor_.index;
      }
    }
  } catch (...) {
    index_.Erase(hash, [&](const RegKey* k) { return k == key.get(); });
    throw;
  }
  names_.Add(key->name.size());
  ++live_;
}

std::shared_ptr<RegKey> SubKeyTable::Remove(std::string_view name) {
  RegKey* key = Find(name);
  if (key == nullptr) return nullptr;
  index_.Erase(FoldedHash(name), [&](const RegKey* k) { return k == key; });
  std::shared_ptr<RegKey> removed = key->shared_from_this();
  if (cursor_.valid) {
    const Entry* next = Next();
    // A key before the cut moves the ones after it one index down; the key just after the
    // cut leaves its index to the next live one.
    if (next == nullptr || (next->key.get() != key && Less(Entry(removed), *next))) --cursor_.index;
  }
  key->deleted = true;
  names_.Remove(key->name.size());
  --live_;
  ++dead_;
  CompactIfSparse();
  return removed;
}

void SubKeyTable::CompactIfSparse() {
  if (dead_ <= 16 || dead_ <= live_) return;
  auto compact = [](std::vector<Entry>& run, std::size_t& cut) {
    std::size_t kept = 0, newCut = 0;
    for (std::size_t at = 0; at < run.size(); ++at) {
      if (at == cut) newCut = kept;
      if (run[at].key->deleted) continue;
      if (kept != at) run[kept] = std::move(run[at]);
      ++kept;
    }
    if (cut >= run.size()) newCut = kept;
    cut = newCut;
    run.resize(kept);
  };
  std::size_t unused = 0;
  compact(sorted_, cursor_.valid ? cursor_.inSorted : unused);
  compact(recent_, cursor_.valid ? cursor_.inRecent : unused);
  dead_ = 0;
}

void SubKeyTable::Merge() {
  if (recent_.empty()) return;
  if (sorted_.empty()) {
    sorted_.swap(recent_);
  } else {
    std::vector<Entry> merged;
    merged.reserve(sorted_.size() + recent_.size());
    std::merge(std::make_move_iterator(sorted_.begin()), std::make_move_iterator(sorted_.end()),
               std::make_move_iterator(recent_.begin()), std::make_move_iterator(recent_.end()),
               std::back_inserter(merged), Less);
    sorted_.swap(merged);
    recent_.clear();
  }
  // The cut stays where it was: everything before it is still before it.
  cursor_.inSorted += cursor_.inRecent;
  cursor_.inRecent = 0;
  recentSorted_ = true;
  enumeratedSinceMerge_ = false;
}

void SubKeyTable::Arrange() {
  if (!recentSorted_) {
    Sort(recent_);  // the cursor is not valid while recent_ is unsorted
    recentSorted_ = true;
  }
  if (recent_.size() > RecentLimit()) Merge();
}

const SubKeyTable::Entry* SubKeyTable::Next() const {
  const Entry* a = cursor_.inSorted < sorted_.size() ? &sorted_[cursor_.inSorted] : nullptr;
  const Entry* b = cursor_.inRecent < recent_.size() ? &recent_[cursor_.inRecent] : nullptr;
  if (a == nullptr || b == nullptr) return a ? a : b;
  return Less(*b, *a) ? b : a;
}

const SubKeyTable::Entry* SubKeyTable::Previous() const {
  const Entry* a = cursor_.inSorted > 0 ? &sorted_[cursor_.inSorted - 1] : nullptr;
  const Entry* b = cursor_.inRecent > 0 ? &recent_[cursor_.inRecent - 1] : nullptr;
  if (a == nullptr || b == nullptr) return a ? a : b;
  return Less(*a, *b) ? b : a;
}

void SubKeyTable::StepForward() {
  const Entry* next = Next();
  if (cursor_.inSorted < sorted_.size() && next == sorted_.data() + cursor_.inSorted)
    ++cursor_.inSorted;
  else
    ++cursor_.inRecent;
}

void SubKeyTable::StepBack() {
  const Entry* previous = Previous();
  if (cursor_.inSorted > 0 && previous == sorted_.data() + cursor_.inSorted - 1)
    --cursor_.inSorted;
  else
    --cursor_.inRecent;
}

std::optional<std::string_view> SubKeyTable::NameAt(std::size_t index) {
  if (index >= live_) return std::nullopt;
  Arrange();
  // Start from the nearest of the first key, the cursor and the end.
  auto distance = [](std::size_t a, std::size_t b) { return a > b ? a - b : b - a; };
  if (!cursor_.valid || distance(index, cursor_.index) > index) {
    cursor_.valid = true;
    cursor_.index = cursor_.inSorted = cursor_.inRecent = 0;
  }
  if (live_ - index < distance(index, cursor_.index)) {
    cursor_.index = live_;
    cursor_.inSorted = sorted_.size();
    cursor_.inRecent = recent_.size();
  }
  // Only Remove marks a linked key deleted, and compaction drops every such key: with none
  // counted, a step need not look at the key object.
  auto live = [this](const Entry* entry) { return dead_ == 0 || !entry->key->deleted; };
  while (cursor_.index > index) {
    const Entry* previous = Previous();
    StepBack();
    if (live(previous)) --cursor_.index;
  }
  while (true) {
    const Entry* next = Next();
    if (live(next)) {
      if (cursor_.index == index) break;
      ++cursor_.index;
    }
    StepForward();
  }
  enumeratedSinceMerge_ = true;
  return Next()->name();
}

void SubKeyTable::ForEachSorted(const std::function<void(const RegKey&)>& visit) {
  Arrange();
  std::size_t a = 0, b = 0;
  while (a < sorted_.size() || b < recent_.size()) {
    const Entry& entry = b == recent_.size() || (a < sorted_.size() && Less(sorted_[a], recent_[b]))
                             ? sorted_[a++]
                             : recent_[b++];
    if (!entry.key->deleted) visit(*entry.key);
  }
}

void SubKeyTable::ForEach(const std::function<void(RegKey&)>& visit) const {
  for (const auto* run : {&sorted_, &recent_})
    for (const Entry& entry : *run)
      if (!entry.key->deleted) visit(*entry.key);
}

}  // namespace winsim::detail
