// Moves and deletions left for the next restart, recorded where the documentation of
// MoveFileEx puts them: HKLM\SYSTEM\CurrentControlSet\Control\Session Manager,
// PendingFileRenameOperations, a REG_MULTI_SZ of source and destination pairs.
#include <string>

#include "files/file_system.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPending[] = "PendingFileRenameOperations";

struct Key {
  HKEY handle = nullptr;
  ~Key() {
    if (handle) RegCloseKey(handle);
  }
};

// The native form of a path: "\??\" before the full Win32 path.
std::string NativePath(const std::string& fullPath) { return "\\??\\" + fullPath; }

std::size_t CountStrings(const std::string& data) {
  std::size_t count = 0;
  for (char c : data)
    if (c == '\0') ++count;
  return count;
}

}  // namespace

BOOL RegisterPendingRename(LPCSTR existing, LPCSTR newName) {
  if (existing == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const std::string from = FullWindowsPath(existing);
  const std::string to = newName != nullptr ? FullWindowsPath(newName) : "";
  if (from.empty() || (newName != nullptr && to.empty())) return Fail(ERROR_PATH_NOT_FOUND);

  Key key;
  LSTATUS status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0,
                                   KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key.handle, nullptr);
  if (status != ERROR_SUCCESS) return Fail(static_cast<DWORD>(status));
  DWORD type = 0, size = 0;
  std::string data;
  status = RegQueryValueExA(key.handle, kPending, nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS && size > 0) {
    data.resize(size);
    status = RegQueryValueExA(key.handle, kPending, nullptr, &type,
                              reinterpret_cast<BYTE*>(&data[0]), &size);
    data.resize(status == ERROR_SUCCESS ? size : 0);
  } else if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    return Fail(static_cast<DWORD>(status));
  }
  // Drop the list's closing empty string, unless it is a deletion's empty destination.
  if (!data.empty() && data.back() == '\0' && CountStrings(data) % 2 == 1) data.pop_back();
  data += NativePath(from);
  data += '\0';
  if (!to.empty()) data += NativePath(to);
  data += '\0';
  data += '\0';
  status =
      RegSetValueExA(key.handle, kPending, 0, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
  if (status != ERROR_SUCCESS) return Fail(static_cast<DWORD>(status));
  return TRUE;
}

}  // namespace winsim::detail
