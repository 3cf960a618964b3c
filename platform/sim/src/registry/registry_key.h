// One registry key in memory. Subkeys are kept sorted by their upper-case names and
// values in creation order with an index by upper-case name, so that every lookup is a
// map or hash lookup; enumeration by index walks from a remembered position, so that
// index i+1 after index i costs O(1) however large the key is.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/internal.h"

namespace winsim::detail {

// Key and value names compare by their ASCII upper-case form, as Windows compares them.
std::string FoldName(std::string_view name);

// Counts every change to the live tree; never goes back within a process.
std::uint64_t CurrentRegistryGeneration();
void NoteRegistryChange();

struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  std::uint64_t order = 0;  // rises with creation, so positions compare without a walk
};

// The largest of a changing set of lengths, exact after removals without a rescan.
class LengthTally {
 public:
  void Add(std::size_t length);
  void Remove(std::size_t length);
  DWORD Max() const;

 private:
  std::map<std::size_t, std::size_t> counts_;
};

class RegKey {
 public:
  using SubKeys = std::map<std::string, std::shared_ptr<RegKey>>;  // by upper-case name
  using Values = std::list<RegValue>;

  std::string name;
  RegKey* parent = nullptr;
  bool deleted = false;

  // ---- subkeys ----
  std::shared_ptr<RegKey> FindSubKey(std::string_view subKeyName) const;
  // Creates the subkey; the name must not exist yet.
  std::shared_ptr<RegKey> AddSubKey(const std::string& subKeyName);
  // Finds or creates.
  std::shared_ptr<RegKey> SubKey(const std::string& subKeyName);
  // Unlinks the subkey and marks it and everything below it deleted, so that open
  // handles to any of them report ERROR_KEY_DELETED; false when missing.
  bool RemoveSubKey(std::string_view subKeyName);
  const SubKeys& subKeys() const { return subKeys_; }
  // The subkey at an enumeration index; nullptr past the end.
  const RegKey* SubKeyAt(std::size_t index);
  DWORD MaxSubKeyNameLength() const { return subKeyNames_.Max(); }

  // ---- values ----
  const RegValue* FindValue(std::string_view valueName) const;
  // Replaces type and data, keeping the value's place; a new value goes last.
  void SetValue(std::string_view valueName, DWORD type, std::vector<BYTE> data);
  bool RemoveValue(std::string_view valueName);
  const Values& values() const { return values_; }
  const RegValue* ValueAt(std::size_t index);
  DWORD MaxValueNameLength() const { return valueNames_.Max(); }
  DWORD MaxValueDataLength() const { return valueData_.Max(); }

  std::string FullPath() const;  // "HKEY_LOCAL_MACHINE\SOFTWARE\..."

 private:
  void MarkSubtreeDeleted();

  template <typename Iterator>
  struct Cursor {
    bool valid = false;
    std::size_t index = 0;
    Iterator at;
  };

  SubKeys subKeys_;
  Values values_;
  std::unordered_map<std::string, Values::iterator> valueIndex_;
  std::uint64_t nextOrder_ = 0;
  LengthTally subKeyNames_, valueNames_, valueData_;
  Cursor<SubKeys::iterator> subKeyCursor_;
  Cursor<Values::iterator> valueCursor_;
};

}  // namespace winsim::detail
