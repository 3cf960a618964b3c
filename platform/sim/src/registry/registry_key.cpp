#include "registry/registry_key.h"

namespace winsim::detail {
namespace {

std::uint64_t generation = 1;
std::uint64_t nextSerial = 0;

}  // namespace

std::uint64_t CurrentRegistryGeneration() { return generation; }
void NoteRegistryChange() { ++generation; }

RegKey::RegKey() : serial(nextSerial++) {}
RegKey::~RegKey() = default;

std::shared_ptr<RegKey> RegKey::FindSubKey(std::string_view subKeyName) const {
  RegKey* found = subKeys_ ? subKeys_->Find(subKeyName) : nullptr;
  return found ? found->shared_from_this() : nullptr;
}

std::shared_ptr<RegKey> RegKey::AddSubKey(const std::string& subKeyName) {
  auto child = std::make_shared<RegKey>();
  child->name = subKeyName;
  child->parent = this;
  if (!subKeys_) subKeys_ = std::make_unique<SubKeyTable>();
  subKeys_->Add(child);
  NoteRegistryChange();
  return child;
}

std::shared_ptr<RegKey> RegKey::SubKey(const std::string& subKeyName) {
  if (auto existing = FindSubKey(subKeyName)) return existing;
  return AddSubKey(subKeyName);
}

bool RegKey::RemoveSubKey(std::string_view subKeyName) {
  std::shared_ptr<RegKey> removed = subKeys_ ? subKeys_->Remove(subKeyName) : nullptr;
  if (!removed) return false;
  removed->MarkSubtreeDeleted();
  if (subKeys_->size() == 0) subKeys_.reset();  // also lets the removed keys go
  NoteRegistryChange();
  return true;
}

void RegKey::MarkSubtreeDeleted() {
  deleted = true;
  parent = nullptr;
  if (subKeys_) subKeys_->ForEach([](RegKey& child) { child.MarkSubtreeDeleted(); });
}

void RegKey::ForEachSubKey(const std::function<void(const RegKey&)>& visit) const {
  if (subKeys_) subKeys_->ForEachSorted(visit);
}

std::optional<std::string_view> RegKey::SubKeyNameAt(std::size_t index) {
  return subKeys_ ? subKeys_->NameAt(index) : std::nullopt;
}

const RegValue* RegKey::FindValue(std::string_view valueName) const {
  return values_ ? values_->Find(valueName) : nullptr;
}

void RegKey::SetValue(std::string_view valueName, DWORD type, std::vector<BYTE> data) {
  if (!values_) values_ = std::make_unique<ValueTable>();
  values_->Set(valueName, type, std::move(data));
  NoteRegistryChange();
}

bool RegKey::RemoveValue(std::string_view valueName) {
  if (!values_ || !values_->Remove(valueName)) return false;
  if (values_->size() == 0) values_.reset();
  NoteRegistryChange();
  return true;
}

const RegValue* RegKey::ValueAt(std::size_t index) {
  return values_ ? values_->At(index) : nullptr;
}

std::string RegKey::FullPath() const { return parent ? parent->FullPath() + "\\" + name : name; }

}  // namespace winsim::detail
