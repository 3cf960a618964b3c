#include "registry/registry_values.h"

#include "registry/registry_names.h"

namespace winsim::detail {

std::size_t ValueTable::FindPosition(std::string_view name, std::uint32_t hash) const {
  const std::uint32_t* at = index_.Find(
      hash, [&](std::uint32_t position) { return SameFolded(items_[position].name, name); });
  return at ? *at : items_.size();
}

const RegValue* ValueTable::Find(std::string_view name) const {
  std::size_t at = FindPosition(name, FoldedHash(name));
  return at == items_.size() ? nullptr : &items_[at];
}

void ValueTable::Set(std::string_view name, DWORD type, std::vector<BYTE> data) {
  const std::uint32_t hash = FoldedHash(name);
  std::size_t at = FindPosition(name, hash);
  if (at == items_.size()) {
    items_.push_back(RegValue{std::string(name), type, hash, std::move(data)});
    try {
      index_.Insert(hash, static_cast<std::uint32_t>(at));
    } catch (...) {
      items_.pop_back();
      throw;
    }
    ++live_;
    names_.Add(name.size());
  } else {
    RegValue& value = items_[at];
    data_.Remove(value.data.size());
    value.type = type;
    value.data = std::move(data);
  }
  data_.Add(items_[at].data.size());
}

bool ValueTable::Remove(std::string_view name) {
  const std::uint32_t hash = FoldedHash(name);
  std::size_t at = FindPosition(name, hash);
  if (at == items_.size()) return false;
  index_.Erase(hash, [&](std::uint32_t position) { return position == at; });
  RegValue& value = items_[at];
  names_.Remove(value.name.size());
  data_.Remove(value.data.size());
  value.removed = true;
  std::string().swap(value.name);
  std::vector<BYTE>().swap(value.data);
  --live_;
  // A value before the cursor moves the cursor's item one index down; the cursor's own
  // item is taken over by the next live one.
  if (cursor_.valid && at < cursor_.at) --cursor_.index;
  if (items_.size() - live_ > 16 && items_.size() - live_ > live_) Compact();
  return true;
}

void ValueTable::Compact() {
  std::size_t kept = 0, cursorAt = 0;
  index_.Clear();
  for (std::size_t at = 0; at < items_.size(); ++at) {
    if (cursor_.valid && at == cursor_.at) cursorAt = kept;
    if (items_[at].removed) continue;
    if (kept != at) items_[kept] = std::move(items_[at]);
    index_.Insert(items_[kept].hash, static_cast<std::uint32_t>(kept));
    ++kept;
  }
  if (cursor_.valid && cursor_.at >= items_.size()) cursorAt = kept;
  cursor_.at = cursorAt;
  items_.resize(kept);
}

const RegValue* ValueTable::At(std::size_t index) {
  if (index >= live_) return nullptr;
  // Start from the nearest of the first item, the cursor and the end.
  std::size_t from = 0, at = 0;
  if (cursor_.valid &&
      (index >= cursor_.index ? index - cursor_.index : cursor_.index - index) < index) {
    from = cursor_.index;
    at = cursor_.at;
  }
  if (live_ - index < (index >= from ? index - from : from - index)) {
    from = live_;
    at = items_.size();
  }
  // Invariant: `from` live items lie before `at`.
  while (from > index) {
    if (!items_[--at].removed) --from;
  }
  while (true) {
    while (items_[at].removed) ++at;
    if (from == index) break;
    ++at;
    ++from;
  }
  cursor_.valid = true;
  cursor_.index = index;
  cursor_.at = at;
  return &items_[at];
}

}  // namespace winsim::detail
