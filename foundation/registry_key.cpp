#include "registry_key.h"

#include <vector>

namespace {
const DWORD kEnumNameCapacity = 1024;
const REGSAM kReadWrite = KEY_READ | KEY_WRITE;
}  // namespace

RegistryKey::RegistryKey(HKEY parent, const char* subKey) { RegistryKey::Open(parent, subKey); }

RegistryKey::~RegistryKey() { RegistryKey::Close(); }

bool RegistryKey::Open(HKEY parent, const char* subKey) {
  return OpenWithAccess(parent, subKey, KEY_READ);
}

bool RegistryKey::OpenWithAccess(HKEY parent, const char* subKey, REGSAM access) {
  Close();
  HKEY opened = nullptr;
  if (RegOpenKeyExA(parent, subKey, 0, access, &opened) == ERROR_SUCCESS) handle_ = opened;
  return IsOpen();
}

void RegistryKey::Close() {
  if (handle_ != nullptr) {
    RegCloseKey(handle_);
    handle_ = nullptr;
  }
}

bool RegistryKey::EnumSubKey(DWORD index, std::string& name) const {
  if (!IsOpen()) return false;
  char buffer[kEnumNameCapacity];
  DWORD length = kEnumNameCapacity;
  if (RegEnumKeyExA(handle_, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
      ERROR_SUCCESS)
    return false;
  name.assign(buffer, length);
  return true;
}

bool RegistryKey::EnumValue(DWORD index, std::string& name, DWORD& type) const {
  if (!IsOpen()) return false;
  char buffer[kEnumNameCapacity];
  DWORD length = kEnumNameCapacity;
  DWORD found = 0;
  if (RegEnumValueA(handle_, index, buffer, &length, nullptr, &found, nullptr, nullptr) !=
      ERROR_SUCCESS)
    return false;
  name.assign(buffer, length);
  type = found;
  return true;
}

DWORD RegistryKey::ValueType(const char* valueName, DWORD& size) const {
  size = 0;
  if (!IsOpen()) return 0;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExA(handle_, valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
    return 0;
  size = bytes;
  return type;
}

std::string RegistryKey::GetText(const char* valueName, DWORD wantedType) const {
  DWORD size = 0;
  if (ValueType(valueName, size) != wantedType) return "";
  // One byte more than reported, so that text stored without its NUL still ends.
  std::vector<char> buffer(size + 1, '\0');
  DWORD read = size;
  if (RegQueryValueExA(handle_, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                       &read) != ERROR_SUCCESS)
    return "";
  return std::string(buffer.data());
}

std::string RegistryKey::GetString(const char* valueName) const {
  return GetText(valueName, REG_SZ);
}

std::string RegistryKey::GetExpandString(const char* valueName) const {
  return GetText(valueName, REG_EXPAND_SZ);
}

DWORD RegistryKey::GetDword(const char* valueName) const {
  DWORD size = 0;
  if (ValueType(valueName, size) != REG_DWORD) return 0;
  DWORD number = 0;
  DWORD read = sizeof number;
  if (RegQueryValueExA(handle_, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                       &read) != ERROR_SUCCESS)
    return 0;
  return number;
}

WritableKey::WritableKey(HKEY parent, const char* subKey) { WritableKey::Open(parent, subKey); }

WritableKey::~WritableKey() { Close(); }

bool WritableKey::Open(HKEY parent, const char* subKey) {
  Close();
  HKEY opened = nullptr;
  if (RegCreateKeyExA(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite, nullptr,
                      &opened, nullptr) == ERROR_SUCCESS)
    handle_ = opened;
  return IsOpen();
}

bool WritableKey::SetString(const char* valueName, const char* text) {
  if (!IsOpen() || text == nullptr) return false;
  DWORD bytes = static_cast<DWORD>(std::char_traits<char>::length(text) + 1);
  return RegSetValueExA(handle_, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        bytes) == ERROR_SUCCESS;
}

bool WritableKey::SetDword(const char* valueName, DWORD number) {
  if (!IsOpen()) return false;
  return RegSetValueExA(handle_, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                        sizeof number) == ERROR_SUCCESS;
}

bool WritableKey::SetMultiString(const char* valueName, const BYTE* bytes, DWORD byteCount) {
  if (!IsOpen()) return false;
  return RegSetValueExA(handle_, valueName, 0, REG_MULTI_SZ, bytes, byteCount) == ERROR_SUCCESS;
}

DeletableKey::DeletableKey(HKEY parent, const char* subKey) { WritableKey::Open(parent, subKey); }

DeletableKey::~DeletableKey() { Close(); }

bool DeletableKey::DeleteSubKey(const char* name) {
  return IsOpen() && RegDeleteKeyA(handle_, name) == ERROR_SUCCESS;
}

bool DeletableKey::DeleteTree(const char* name) {
  if (!IsOpen()) return false;
  if (DeleteSubKey(name)) return true;
  bool emptied = false;
  {
    // Create-or-open, so a missing subkey becomes an empty one that the delete below removes.
    DeletableKey child(handle_, name);
    emptied = child.DeleteAllSubKeys();
  }
  return emptied && DeleteSubKey(name);
}

bool DeletableKey::DeleteAllSubKeys() {
  if (!IsOpen()) return false;
  // Collect first: deleting while enumerating by index would skip names.
  std::string names;
  std::string name;
  for (DWORD index = 0; EnumSubKey(index, name); ++index) names += name + "\n";
  std::size_t start = 0;
  for (std::size_t end; (end = names.find('\n', start)) != std::string::npos; start = end + 1) {
    if (!DeleteTree(names.substr(start, end - start).c_str())) return false;
  }
  return true;
}
