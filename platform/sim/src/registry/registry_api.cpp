// The registry functions, over the tree of registry_tree.cpp.
#include <cstring>

#include "registry/registry_tree.h"

using winsim::detail::OpenKey;
using winsim::detail::RegKey;
using winsim::detail::RegValue;

namespace {

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

// As CopyOut, for a name held as characters and a length.
bool CopyNameOut(std::string_view name, char* buffer, std::size_t capacity) {
  if (buffer == nullptr || name.size() + 1 > capacity) return false;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  return true;
}

std::vector<std::string> SplitPath(const char* subKey) {
  return subKey ? winsim::detail::SplitKeyPath(subKey) : std::vector<std::string>();
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
    key = key->FindSubKey(part);
    if (!key) return ERROR_FILE_NOT_FOUND;
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
    std::shared_ptr<RegKey> next = key->FindSubKey(parts[existing]);
    if (!next) break;
    key = std::move(next);
  }
  if (existing == parts.size()) {
    if (lpdwDisposition) *lpdwDisposition = REG_OPENED_EXISTING_KEY;
    return OutputHandle(key, samDesired, phkResult);
  }
  if (Require(open, KEY_CREATE_SUB_KEY) != ERROR_SUCCESS) return ERROR_ACCESS_DENIED;
  if (winsim::detail::AnyKeyDenied()) {
    std::string full = key->FullPath();
    for (std::size_t i = existing; i < parts.size(); ++i) {
      full += "\\" + parts[i];
      if (winsim::detail::IsPathDenied(full)) return ERROR_ACCESS_DENIED;
    }
  }
  for (std::size_t i = existing; i < parts.size(); ++i) key = key->AddSubKey(parts[i]);
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
  std::optional<std::string_view> found = open.key->SubKeyNameAt(dwIndex);
  if (!found) return ERROR_NO_MORE_ITEMS;
  const std::string_view name = *found;
  if (!CopyNameOut(name, lpName, *lpcchName)) return ERROR_MORE_DATA;
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
  const RegValue* value = open.key->ValueAt(dwIndex);
  if (value == nullptr) return ERROR_NO_MORE_ITEMS;
  if (!winsim::detail::CopyOut(value->name, lpValueName, *lpcchValueName)) return ERROR_MORE_DATA;
  *lpcchValueName = static_cast<DWORD>(value->name.size());
  return OutputData(*value, lpType, lpData, lpcbData);
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
  std::vector<BYTE> data;
  if (cbData) data.assign(lpData, lpData + cbData);
  open.key->SetValue(lpValueName ? lpValueName : "", dwType, std::move(data));
  return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> parts = SplitPath(lpSubKey);
  if (parts.empty()) return ERROR_ACCESS_DENIED;  // a handle's own key is not deleted this way
  std::shared_ptr<RegKey> parent = open.key;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = parent->FindSubKey(parts[i]);
    if (!parent) return ERROR_FILE_NOT_FOUND;
  }
  std::shared_ptr<RegKey> key = parent->FindSubKey(parts.back());
  if (!key) return ERROR_FILE_NOT_FOUND;
  if (winsim::detail::IsKeyDenied(*key)) return ERROR_ACCESS_DENIED;
  if (key->SubKeyCount() != 0) return ERROR_ACCESS_DENIED;
  parent->RemoveSubKey(parts.back());
  return ERROR_SUCCESS;
}

extern "C" LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  OpenKey open;
  if (LSTATUS status = Start(hKey, open)) return status;
  if (LSTATUS status = Require(open, KEY_SET_VALUE)) return status;
  return open.key->RemoveValue(lpValueName ? lpValueName : "") ? ERROR_SUCCESS
                                                               : ERROR_FILE_NOT_FOUND;
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
  if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = '\0';
  if (lpcchClass) *lpcchClass = 0;
  if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key.SubKeyCount());
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = key.MaxSubKeyNameLength();
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = static_cast<DWORD>(key.ValueCount());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = key.MaxValueNameLength();
  if (lpcbMaxValueLen) *lpcbMaxValueLen = key.MaxValueDataLength();
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}
