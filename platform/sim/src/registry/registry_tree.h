// The registry's tree of keys and the table of open key handles.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/internal.h"

namespace winsim::detail {

struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct RegKey {
  std::string name;
  RegKey* parent = nullptr;
  bool deleted = false;
  // Subkeys enumerate sorted by name without regard to case, as Windows keeps them.
  std::map<std::string, std::shared_ptr<RegKey>, LessNoCase> subkeys;
  // Values enumerate in the order they were created.
  std::vector<RegValue> values;

  RegValue* FindValue(const std::string& valueName);
  std::string FullPath() const;  // "HKEY_LOCAL_MACHINE\SOFTWARE\..."
};

struct OpenKey {
  std::shared_ptr<RegKey> key;
  REGSAM access = 0;
};

// Resolves a handle (predefined root or opened key); nullptr when unknown.
bool ResolveKey(HKEY handle, OpenKey& out);
bool IsKeyDenied(const RegKey& key);
bool IsPathDenied(const std::string& fullUpperPath);
HKEY AddHandle(const OpenKey& open);
bool RemoveHandle(HKEY handle);
std::size_t HandleCount();
void DenyPath(HKEY root, const std::string& path);

}  // namespace winsim::detail
