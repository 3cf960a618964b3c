// Registry key objects: each owns at most one open key and closes it when destroyed.
// RegistryKey reads, WritableKey also creates keys and writes values, DeletableKey also
// deletes whole subtrees.
#pragma once

#include <string>

#include "platform/win32.h"

class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(HKEY parent, const char* subKey);
  virtual ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Closes any key held, then opens parent\subKey for reading.
  virtual bool Open(HKEY parent, const char* subKey);
  virtual void Close();
  // Closes any key held, then opens an existing key with the given access.
  bool OpenWithAccess(HKEY parent, const char* subKey, REGSAM access);

  bool IsOpen() const { return handle_ != nullptr; }
  HKEY Handle() const { return handle_; }

  // Enumeration by index from 0; false ends it.
  bool EnumSubKey(DWORD index, std::string& name) const;
  bool EnumValue(DWORD index, std::string& name, DWORD& type) const;

  // The value's REG_ type, 0 when it cannot be queried; size receives its data size.
  DWORD ValueType(const char* valueName, DWORD& size) const;
  // REG_SZ text up to its first NUL; empty for any other type or failure.
  std::string GetString(const char* valueName) const;
  // REG_EXPAND_SZ text, unexpanded; empty for any other type or failure.
  std::string GetExpandString(const char* valueName) const;
  // REG_DWORD number; 0 for any other type or failure.
  DWORD GetDword(const char* valueName) const;

 protected:
  HKEY handle_ = nullptr;

 private:
  std::string GetText(const char* valueName, DWORD wantedType) const;
};

class WritableKey : public RegistryKey {
 public:
  WritableKey() = default;
  WritableKey(HKEY parent, const char* subKey);
  ~WritableKey() override;

  // Closes any key held, then creates or opens parent\subKey for reading and writing.
  bool Open(HKEY parent, const char* subKey) override;

  bool SetString(const char* valueName, const char* text);
  bool SetDword(const char* valueName, DWORD number);
  bool SetMultiString(const char* valueName, const BYTE* bytes, DWORD byteCount);
};

class DeletableKey : public WritableKey {
 public:
  DeletableKey() = default;
  DeletableKey(HKEY parent, const char* subKey);
  ~DeletableKey() override;

  bool DeleteSubKey(const char* name);
  // Deletes the subkey and everything below it; true when it is gone.
  bool DeleteTree(const char* name);
  bool DeleteAllSubKeys();
};
