// One registry key in memory. Its subkeys and values live in tables of their own, made
// only when the key has any, since most keys of a real registry hold few or none.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/internal.h"
#include "registry/registry_names.h"
#include "registry/registry_subkeys.h"
#include "registry/registry_values.h"

namespace winsim::detail {

// Counts every change to the live tree; never goes back within a process.
std::uint64_t CurrentRegistryGeneration();
void NoteRegistryChange();

class RegKey : public std::enable_shared_from_this<RegKey> {
 public:
  RegKey();
  ~RegKey();
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  std::string name;
  RegKey* parent = nullptr;
  bool deleted = false;
  std::uint64_t serial;  // rises with creation

  // ---- subkeys ----
  std::shared_ptr<RegKey> FindSubKey(std::string_view subKeyName) const;
  // Creates the subkey; the name must not exist yet.
  std::shared_ptr<RegKey> AddSubKey(const std::string& subKeyName);
  // Finds or creates.
  std::shared_ptr<RegKey> SubKey(const std::string& subKeyName);
  // Unlinks the subkey and marks it and everything below it deleted, so that open
  // handles to any of them report ERROR_KEY_DELETED; false when missing.
  bool RemoveSubKey(std::string_view subKeyName);
  std::size_t SubKeyCount() const { return subKeys_ ? subKeys_->size() : 0; }
  // In enumeration order (by upper-case name). Settles the table's internal order, which
  // nothing outside sees.
  void ForEachSubKey(const std::function<void(const RegKey&)>& visit) const;
  // The name of the subkey at an enumeration index; nothing past the end.
  std::optional<std::string_view> SubKeyNameAt(std::size_t index);
  DWORD MaxSubKeyNameLength() const { return subKeys_ ? subKeys_->MaxNameLength() : 0; }

  // ---- values ----
  const RegValue* FindValue(std::string_view valueName) const;
  // Replaces type and data, keeping the value's place; a new value goes last.
  void SetValue(std::string_view valueName, DWORD type, std::vector<BYTE> data);
  bool RemoveValue(std::string_view valueName);
  std::size_t ValueCount() const { return values_ ? values_->size() : 0; }
  // In creation order.
  ValueRange values() const { return values_ ? values_->All() : ValueRange(nullptr, nullptr); }
  const RegValue* ValueAt(std::size_t index);
  DWORD MaxValueNameLength() const { return values_ ? values_->MaxNameLength() : 0; }
  DWORD MaxValueDataLength() const { return values_ ? values_->MaxDataLength() : 0; }

  std::string FullPath() const;  // "HKEY_LOCAL_MACHINE\SOFTWARE\..."

 private:
  void MarkSubtreeDeleted();

  std::unique_ptr<SubKeyTable> subKeys_;
  std::unique_ptr<ValueTable> values_;
};

}  // namespace winsim::detail
