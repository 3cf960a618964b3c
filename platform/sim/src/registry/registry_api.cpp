// The registry functions, over the tree of registry_tree.cpp.
#include <cstring>

#include "registry/registry_tree.h"

using winsim::detail::OpenKey;
using winsim::detail::RegKey;
using winsim::detail::RegValue;

namespace {

std::vector<std::string> SplitPath(const char* subKey) {
  std::vector<std::string> parts;
  if (subKey == nullptr) return parts;
  std::string current;
  for (const char* p = subKey; *p; ++p) {
    if (*p == '\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// Opens a handle's key as a starting point; reports why it cannot be used.
LSTATUS Start(HKEY handle, OpenKey& open) {
  if (!winsim::detail::ResolveKey(handle, open)) return ERROR_INVALID_HANDLE;
  if (open.key->deleted) return ERROR_KEY_DELETED;
  return ERROR_SUCCESS;
}

LSTATUS Require(const OpenKey& open, REGSAM right) {
  return (open.access & right) == right ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS OutputHandle(const std::shared_ptr<RegKey>& key, REGSAM access, PHKEY result) {
  if (winsim::detail::IsKeyDenied(*key)) return ERROR_ACCESS_DENIED;
  *result = winsim::detail::AddHandle({key, access});
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                                        PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (lpSubKey && lpSubKey[0] == '\\') return ERROR_BAD_PATHNAME;
  std::shared_ptr<RegKey> key = open.key;
  for (const std::string& part : SplitPath(lpSubKey)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    key = it->second;
  }
  return OutputHandle(key, samDesired, phkResult);
}

extern "C" LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD,
                                          REGSAM samDesired, const LPSECURITY_ATTRIBUTES,
                                          PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (lpSubKey[0] == '\\') return ERROR_BAD_PATHNAME;
  std::vector<std::string> parts = SplitPath(lpSubKey);

  // Find how much of the path exists; the rest is created only when it may be.
  std::shared_ptr<RegKey> key = open.key;
  std::size_t existing = 0;
  for (; existing < parts.size(); ++existing) {
    auto it = key->subkeys.find(parts[existing]);
    if (it == key->subkeys.end()) break;
    key = it->second;
  }
  if (existing == parts.size()) {
    if (lpdwDisposition) *lpdwDisposition = REG_OPENED_EXISTING_KEY;
    return OutputHandle(key, samDesired, phkResult);
  }
  if (Require(open, KEY_CREATE_SUB_KEY) != ERROR_SUCCESS) return ERROR_ACCESS_DENIED;
  std::string full = key->FullPath();
  for (std::size_t i = existing; i < parts.size(); ++i) {
    full += "\\" + parts[i];
    if (winsim::detail::IsPathDenied(winsim::detail::Upper(full))) return ERROR_ACCESS_DENIED;
  }
  for (std::size_t i = existing; i < parts.size(); ++i) {
    auto child = std::make_shared<RegKey>();
    child->name = parts[i];
    child->parent = key.get();
    key->subkeys[parts[i]] = child;
    key = child;
  }
  if (lpdwDisposition) *lpdwDisposition = REG_CREATED_NEW_KEY;
  return OutputHandle(key, samDesired, phkResult);
}

extern "C" LSTATUS WINAPI RegCloseKey(HKEY hKey) {
  OpenKey open;
  if (!winsim::detail::ResolveKey(hKey, open)) return ERROR_INVALID_HANDLE;
  winsim::detail::RemoveHandle(hKey);  // predefined roots stay usable
  return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                        LPDWORD, LPSTR lpClass, LPDWORD lpcchClass,
                                        PFILETIME lpftLastWriteTime) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_ENUMERATE_SUB_KEYS)) return status;
  if (lpName == nullptr || lpcchName == nullptr) return ERROR_INVALID_PARAMETER;
  if (dwIndex >= open.key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = open.key->subkeys.begin();
  std::advance(it, dwIndex);
  const std::string& name = it->second->name;
  if (!winsim::detail::CopyOut(name, lpName, *lpcchName)) return ERROR_MORE_DATA;
  *lpcchName = static_cast<DWORD>(name.size());
  if (lpClass && lpcchClass && *lpcchClass > 0) {
    lpClass[0] = '\0';
    *lpcchClass = 0;
  }
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

namespace {

// Hands out a value's data as RegQueryValueExA and RegEnumValueA do.
LSTATUS OutputData(const RegValue& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  if (lpType) *lpType = value.type;
  if (!lpcbData) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (lpData && *lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (lpData && size) std::memcpy(lpData, value.data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                                        LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                                        LPBYTE lpData, LPDWORD lpcbData) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_QUERY_VALUE)) return status;
  if (lpValueName == nullptr || lpcchValueName == nullptr) return ERROR_INVALID_PARAMETER;
  if (dwIndex >= open.key->values.size()) return ERROR_NO_MORE_ITEMS;
  const RegValue& value = open.key->values[dwIndex];
  if (!winsim::detail::CopyOut(value.name, lpValueName, *lpcchValueName)) return ERROR_MORE_DATA;
  *lpcchValueName = static_cast<DWORD>(value.name.size());
  return OutputData(value, lpType, lpData, lpcbData);
}

extern "C" LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType,
                                           LPBYTE lpData, LPDWORD lpcbData) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_QUERY_VALUE)) return status;
  const RegValue* value = open.key->FindValue(lpValueName ? lpValueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  return OutputData(*value, lpType, lpData, lpcbData);
}

extern "C" LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                                         const BYTE* lpData, DWORD cbData) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_SET_VALUE)) return status;
  if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  std::string name = lpValueName ? lpValueName : "";
  RegValue* value = open.key->FindValue(name);
  if (value == nullptr) {
    open.key->values.push_back(RegValue{name, dwType, {}});
    value = &open.key->values.back();
  }
  value->type = dwType;
  value->data.assign(lpData, lpData + cbData);
  return ERROR_SUCCESS;
}

namespace {

void MarkDeleted(RegKey& key) {
  key.deleted = true;
  key.parent = nullptr;
}

}  // namespace

extern "C" LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> parts = SplitPath(lpSubKey);
  if (parts.empty()) return ERROR_ACCESS_DENIED;  // a handle's own key is not deleted this way
  std::shared_ptr<RegKey> parent = open.key;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = parent->subkeys.find(parts[i]);
    if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
    parent = it->second;
  }
  auto it = parent->subkeys.find(parts.back());
  if (it == parent->subkeys.end()) return ERROR_FILE_NOT_FOUND;
  if (winsim::detail::IsKeyDenied(*it->second)) return ERROR_ACCESS_DENIED;
  if (!it->second->subkeys.empty()) return ERROR_ACCESS_DENIED;
  MarkDeleted(*it->second);
  parent->subkeys.erase(it);
  return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_SET_VALUE)) return status;
  std::string name = lpValueName ? lpValueName : "";
  auto& values = open.key->values;
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (winsim::detail::EqualNoCase(it->name, name)) {
      values.erase(it);
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

extern "C" LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD,
                                           LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                           LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                           LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                           LPDWORD lpcbSecurityDescriptor,
                                           PFILETIME lpftLastWriteTime) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_QUERY_VALUE)) return status;
  const RegKey& key = *open.key;
  DWORD maxSubKey = 0, maxName = 0, maxData = 0;
  for (const auto& entry : key.subkeys)
    maxSubKey = std::max<DWORD>(maxSubKey, static_cast<DWORD>(entry.second->name.size()));
  for (const auto& value : key.values) {
    maxName = std::max<DWORD>(maxName, static_cast<DWORD>(value.name.size()));
    maxData = std::max<DWORD>(maxData, static_cast<DWORD>(value.data.size()));
  }
  if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = '\0';
  if (lpcchClass) *lpcchClass = 0;
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key.subkeys.size());
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSubKey;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = static_cast<DWORD>(key.values.size());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}
