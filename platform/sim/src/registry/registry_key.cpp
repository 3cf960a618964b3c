#include "registry/registry_key.h"

#include <iterator>

namespace winsim::detail {
namespace {

std::uint64_t generation = 1;

// Moves a cursor to `index` (< size) from the nearest of the start, the cursor and the
// end, so that walking forwards, backwards, from 0 or from the last item is O(1) a step.
template <typename Container, typename Cursor>
typename Container::iterator Seek(Container& items, Cursor& cursor, std::size_t index) {
  const std::size_t size = items.size();
  auto at = items.begin();
  std::size_t from = 0, distance = index;
  if (cursor.valid) {
    std::size_t fromCursor = index >= cursor.index ? index - cursor.index : cursor.index - index;
    if (fromCursor < distance) {
      at = cursor.at;
      from = cursor.index;
      distance = fromCursor;
    }
  }
  if (size - index < distance) {
    at = items.end();
    from = size;
  }
  std::advance(at, static_cast<std::ptrdiff_t>(index) - static_cast<std::ptrdiff_t>(from));
  cursor.valid = true;
  cursor.index = index;
  cursor.at = at;
  return at;
}

}  // namespace

std::string FoldName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::uint64_t CurrentRegistryGeneration() { return generation; }
void NoteRegistryChange() { ++generation; }

void LengthTally::Add(std::size_t length) { ++counts_[length]; }

void LengthTally::Remove(std::size_t length) {
  auto it = counts_.find(length);
  if (it != counts_.end() && --it->second == 0) counts_.erase(it);
}

DWORD LengthTally::Max() const {
  return counts_.empty() ? 0 : static_cast<DWORD>(counts_.rbegin()->first);
}

std::shared_ptr<RegKey> RegKey::FindSubKey(std::string_view subKeyName) const {
  auto it = subKeys_.find(FoldName(subKeyName));
  return it == subKeys_.end() ? nullptr : it->second;
}

std::shared_ptr<RegKey> RegKey::AddSubKey(const std::string& subKeyName) {
  auto child = std::make_shared<RegKey>();
  child->name = subKeyName;
  child->parent = this;
  std::string folded = FoldName(subKeyName);
  // A key sorted before the cursor's pushes the cursor's item one index on.
  if (subKeyCursor_.valid && folded < subKeyCursor_.at->first) ++subKeyCursor_.index;
  subKeys_.emplace(std::move(folded), child);
  subKeyNames_.Add(subKeyName.size());
  NoteRegistryChange();
  return child;
}

std::shared_ptr<RegKey> RegKey::SubKey(const std::string& subKeyName) {
  if (auto existing = FindSubKey(subKeyName)) return existing;
  return AddSubKey(subKeyName);
}

bool RegKey::RemoveSubKey(std::string_view subKeyName) {
  auto it = subKeys_.find(FoldName(subKeyName));
  if (it == subKeys_.end()) return false;
  if (subKeyCursor_.valid) {
    if (subKeyCursor_.at == it) {
      // The next item takes the removed one's index.
      if (++subKeyCursor_.at == subKeys_.end()) subKeyCursor_.valid = false;
    } else if (it->first < subKeyCursor_.at->first) {
      --subKeyCursor_.index;
    }
  }
  subKeyNames_.Remove(it->second->name.size());
  it->second->MarkSubtreeDeleted();
  subKeys_.erase(it);
  NoteRegistryChange();
  return true;
}

void RegKey::MarkSubtreeDeleted() {
  deleted = true;
  parent = nullptr;
  for (auto& entry : subKeys_) entry.second->MarkSubtreeDeleted();
}

const RegKey* RegKey::SubKeyAt(std::size_t index) {
  if (index >= subKeys_.size()) return nullptr;
  return Seek(subKeys_, subKeyCursor_, index)->second.get();
}

const RegValue* RegKey::FindValue(std::string_view valueName) const {
  auto it = valueIndex_.find(FoldName(valueName));
  return it == valueIndex_.end() ? nullptr : &*it->second;
}

void RegKey::SetValue(std::string_view valueName, DWORD type, std::vector<BYTE> data) {
  // One lookup finds the value or makes its place in the index.
  auto [found, created] = valueIndex_.try_emplace(FoldName(valueName));
  if (created) {
    try {
      values_.push_back(RegValue{std::string(valueName), type, std::move(data), nextOrder_++});
    } catch (...) {
      valueIndex_.erase(found);
      throw;
    }
    found->second = std::prev(values_.end());
    valueNames_.Add(valueName.size());
  } else {
    RegValue& value = *found->second;
    valueData_.Remove(value.data.size());
    value.type = type;
    value.data = std::move(data);
  }
  valueData_.Add(found->second->data.size());
  NoteRegistryChange();
}

bool RegKey::RemoveValue(std::string_view valueName) {
  auto found = valueIndex_.find(FoldName(valueName));
  if (found == valueIndex_.end()) return false;
  Values::iterator it = found->second;
  if (valueCursor_.valid) {
    if (valueCursor_.at == it) {
      if (++valueCursor_.at == values_.end()) valueCursor_.valid = false;
    } else if (it->order < valueCursor_.at->order) {
      --valueCursor_.index;
    }
  }
  valueNames_.Remove(it->name.size());
  valueData_.Remove(it->data.size());
  valueIndex_.erase(found);
  values_.erase(it);
  NoteRegistryChange();
  return true;
}

const RegValue* RegKey::ValueAt(std::size_t index) {
  if (index >= values_.size()) return nullptr;
  return &*Seek(values_, valueCursor_, index);
}

std::string RegKey::FullPath() const { return parent ? parent->FullPath() + "\\" + name : name; }

}  // namespace winsim::detail
