// Folders, attributes, deletion, the current folder and the C runtime's access test.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

#include "files/file_system.h"

namespace winsim::detail {
namespace {

std::map<std::string, DWORD>& Attributes() {
  static std::map<std::string, DWORD> attributes;
  return attributes;
}

// The host path of a Windows path, or empty with the last error set.
std::string Resolve(LPCSTR path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return "";
  }
  std::string full = FullWindowsPath(path);
  if (full.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return "";
  }
  return MapFullPath(full);
}

// The host path of an existing file or folder, or empty with the last error set.
std::string ResolveExisting(LPCSTR path) {
  std::string host = Resolve(path);
  if (host.empty()) return "";
  if (!HostExists(host)) {
    MissingError(host);
    return "";
  }
  return host;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

}  // namespace

DWORD StoredAttributes(const std::string& hostPath) {
  auto it = Attributes().find(hostPath);
  return it == Attributes().end() ? 0 : it->second;
}
void StoreAttributes(const std::string& hostPath, DWORD attributes) {
  Attributes()[hostPath] = attributes;
}
void ForgetAttributes(const std::string& hostPath) { Attributes().erase(hostPath); }
void ForgetFindsAndAttributes();

}  // namespace winsim::detail

using namespace winsim::detail;

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  std::string host = ResolveExisting(lpFileName);
  if (host.empty()) return INVALID_FILE_ATTRIBUTES;
  DWORD stored = StoredAttributes(host);
  if (HostIsDirectory(host)) return FILE_ATTRIBUTE_DIRECTORY | stored;
  return stored ? stored : FILE_ATTRIBUTE_NORMAL;
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  std::string host = ResolveExisting(lpFileName);
  if (host.empty()) return FALSE;
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                     FILE_ATTRIBUTE_ARCHIVE;
  StoreAttributes(host, dwFileAttributes & kept);
  return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  std::string host = Resolve(lpPathName);
  if (host.empty()) return FALSE;
  if (HostExists(host)) return Fail(ERROR_ALREADY_EXISTS);
  if (!HostIsDirectory(host.substr(0, host.find_last_of('/')))) return Fail(ERROR_PATH_NOT_FOUND);
  if (mkdir(host.c_str(), 0755) != 0) return Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  std::string host = ResolveExisting(lpPathName);
  if (host.empty()) return FALSE;
  if (!HostIsDirectory(host)) return Fail(ERROR_DIRECTORY);
  // The process keeps its current folder open, so Windows refuses to remove it.
  if (MapFullPath(TheFileSystem().currentFolder) == host) return Fail(ERROR_SHARING_VIOLATION);
  if (rmdir(host.c_str()) != 0)
    return Fail(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ERROR_ACCESS_DENIED);
  ForgetAttributes(host);
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  std::string host = ResolveExisting(lpFileName);
  if (host.empty()) return FALSE;
  if (HostIsDirectory(host) || (StoredAttributes(host) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  if (AnyOpenWithoutDeleteSharing(host)) return Fail(ERROR_SHARING_VIOLATION);
  if (unlink(host.c_str()) != 0) return Fail(ERROR_ACCESS_DENIED);
  ForgetAttributes(host);
  return TRUE;
}

extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  const std::string& current = TheFileSystem().currentFolder;
  // Too small a buffer gets nothing; the result is then the size needed with the NUL.
  if (!CopyOut(current, lpBuffer, nBufferLength)) return static_cast<DWORD>(current.size() + 1);
  return static_cast<DWORD>(current.size());
}

extern "C" BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  std::string host = ResolveExisting(lpPathName);
  if (host.empty()) return FALSE;
  if (!HostIsDirectory(host)) return Fail(ERROR_DIRECTORY);
  TheFileSystem().currentFolder = FullWindowsPath(lpPathName);
  return TRUE;
}

extern "C" int _access(const char* path, int mode) {
  if (path == nullptr || (mode & ~6) != 0) {
    errno = EINVAL;
    return -1;
  }
  std::string full = FullWindowsPath(path);
  std::string host = full.empty() ? "" : MapFullPath(full);
  if (host.empty() || !HostExists(host)) {
    errno = ENOENT;
    return -1;
  }
  if ((mode & 2) && !HostIsDirectory(host) && (StoredAttributes(host) & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return -1;
  }
  return 0;
}

// Find handles: a snapshot of the matching names, handed out one by one.
namespace {

struct FindState {
  std::vector<std::pair<std::string, std::string>> entries;  // name, host path
  std::size_t next = 0;
};
std::map<ULONG_PTR, FindState>& Finds() {
  static std::map<ULONG_PTR, FindState> finds;
  return finds;
}
ULONG_PTR nextFindHandle = 0x3000;

void Fill(const std::pair<std::string, std::string>& entry, LPWIN32_FIND_DATAA data) {
  *data = WIN32_FIND_DATAA{};
  struct stat st;
  if (stat(entry.second.c_str(), &st) == 0) {
    DWORD stored = StoredAttributes(entry.second);
    if (S_ISDIR(st.st_mode))
      data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | stored;
    else
      data->dwFileAttributes = stored ? stored : FILE_ATTRIBUTE_NORMAL;
    data->nFileSizeLow = S_ISDIR(st.st_mode) ? 0 : static_cast<DWORD>(st.st_size);
    data->nFileSizeHigh =
        S_ISDIR(st.st_mode) ? 0 : static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  }
  CopyOut(entry.first.substr(0, MAX_PATH - 1), data->cFileName, MAX_PATH);
}

}  // namespace

void winsim::detail::ForgetFindsAndAttributes() {
  Finds().clear();
  Attributes().clear();
}

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (lpFileName == nullptr || lpFindFileData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string full = FullWindowsPath(lpFileName);
  if (full.empty() || full.size() <= 3) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::size_t cut = full.find_last_of('\\');
  std::string folder = full.substr(0, cut == 2 ? 3 : cut);
  std::string pattern = full.substr(cut + 1);
  std::string hostFolder = MapFullPath(folder);
  if (!HostIsDirectory(hostFolder)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  FindState state;
  std::vector<std::string> names;
  if (folder.size() > 3) names = {".", ".."};
  std::vector<std::string> listed;
  if (DIR* dir = opendir(hostFolder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") listed.push_back(name);
    }
    closedir(dir);
  }
  std::sort(listed.begin(), listed.end(), LessNoCase());
  names.insert(names.end(), listed.begin(), listed.end());
  for (const std::string& name : names)
    if (MatchesWildcard(pattern, name)) state.entries.emplace_back(name, hostFolder + "/" + name);
  if (state.entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(state.entries[0], lpFindFileData);
  state.next = 1;
  ULONG_PTR id = nextFindHandle;
  nextFindHandle += 4;
  Finds()[id] = state;
  return reinterpret_cast<HANDLE>(id);
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  auto it = Finds().find(reinterpret_cast<ULONG_PTR>(hFindFile));
  if (it == Finds().end()) return Fail(ERROR_INVALID_HANDLE);
  FindState& state = it->second;
  if (state.next >= state.entries.size()) return Fail(ERROR_NO_MORE_FILES);
  Fill(state.entries[state.next++], lpFindFileData);
  return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE hFindFile) {
  if (Finds().erase(reinterpret_cast<ULONG_PTR>(hFindFile)) == 0) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}
