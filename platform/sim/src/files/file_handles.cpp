// Files opened with CreateFileA: host descriptors with Windows' sharing rules.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include "files/file_system.h"
#include "files/journal.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

struct OpenFile {
  int fd = -1;
  std::string hostPath;
  DWORD access = 0;
  DWORD share = 0;
  bool held = false;  // opened by the machine's fault injection, not by the program
};

std::map<ULONG_PTR, OpenFile>& Files() {
  static std::map<ULONG_PTR, OpenFile> files;
  return files;
}
ULONG_PTR nextFileHandle = 0x2000;

bool Reads(DWORD access) { return (access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0; }
bool Writes(DWORD access) {
  return (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
}

OpenFile* Find(HANDLE handle) {
  auto it = Files().find(reinterpret_cast<ULONG_PTR>(handle));
  return it == Files().end() ? nullptr : &it->second;
}

}  // namespace

bool SharingAllows(const std::string& hostPath, DWORD access, DWORD share) {
  for (const auto& entry : Files()) {
    const OpenFile& other = entry.second;
    if (other.hostPath != hostPath) continue;
    if (Reads(access) && !(other.share & FILE_SHARE_READ)) return false;
    if (Writes(access) && !(other.share & FILE_SHARE_WRITE)) return false;
    if (Reads(other.access) && !(share & FILE_SHARE_READ)) return false;
    if (Writes(other.access) && !(share & FILE_SHARE_WRITE)) return false;
  }
  return true;
}

bool AnyOpenWithoutDeleteSharing(const std::string& hostPath) {
  for (const auto& entry : Files())
    if (entry.second.hostPath == hostPath && !(entry.second.share & FILE_SHARE_DELETE)) return true;
  return false;
}

bool AnyOpenBelow(const std::string& hostFolder) {
  const std::string prefix = hostFolder + "/";
  for (const auto& entry : Files())
    if (entry.second.hostPath.compare(0, prefix.size(), prefix) == 0) return true;
  return false;
}

void MoveOpenFiles(const std::string& fromHost, const std::string& toHost) {
  const std::string prefix = fromHost + "/";
  for (auto& entry : Files()) {
    std::string& path = entry.second.hostPath;
    if (path == fromHost)
      path = toHost;
    else if (path.compare(0, prefix.size(), prefix) == 0)
      path = toHost + path.substr(fromHost.size());
  }
}

std::vector<std::string> HostsOpenForWriting() {
  std::vector<std::string> hosts;
  for (const auto& entry : Files())
    if (Writes(entry.second.access)) hosts.push_back(entry.second.hostPath);
  std::sort(hosts.begin(), hosts.end());
  hosts.erase(std::unique(hosts.begin(), hosts.end()), hosts.end());
  return hosts;
}

std::size_t CountOpenFiles(bool held) {
  std::size_t count = 0;
  for (const auto& entry : Files())
    if (entry.second.held == held) ++count;
  return count;
}

void CloseAllFiles() {
  for (auto& entry : Files()) close(entry.second.fd);
  Files().clear();
}

HANDLE OpenHostFile(LPCSTR name, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                    bool held) {
  Resolved found;
  if (!ResolveArgument(name, found)) return INVALID_HANDLE_VALUE;
  const std::string& host = found.host;
  const bool exists = found.Exists();
  if (exists && found.IsFolder() && !(flags & FILE_FLAG_BACKUP_SEMANTICS)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (exists && Writes(access) && (found.entry->attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int hostFlags = 0;
  switch (disposition) {
    case CREATE_NEW:
      if (exists) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      hostFlags = O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      hostFlags = O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      if (!exists) {
        MissingError(found);
        return INVALID_HANDLE_VALUE;
      }
      break;
    case OPEN_ALWAYS:
      hostFlags = O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!exists) {
        MissingError(found);
        return INVALID_HANDLE_VALUE;
      }
      if (!Writes(access)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      hostFlags = O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  if (!exists && found.state == PathState::NoFolder) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (exists && !SharingAllows(host, access, share)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  // Writes through a handle that may only append go to the end, as Windows does.
  bool appendOnly =
      (access & FILE_APPEND_DATA) && !(access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA));
  if (found.IsFolder())
    hostFlags |= O_RDONLY;
  else if (Reads(access) && Writes(access))
    hostFlags |= O_RDWR;
  else if (Writes(access))
    hostFlags |= O_WRONLY;
  else
    hostFlags |= O_RDONLY;
  if (appendOnly) hostFlags |= O_APPEND;

  JournalOp op;
  op.host = host;
  bool journaled = false;
  if (!exists) {
    op.kind = JournalOp::Kind::CreateFile;
    journaled = true;
  } else if (!found.IsFolder() && (Writes(access) || (hostFlags & O_TRUNC))) {
    op.kind = JournalOp::Kind::WriteFile;
    op.attributes = found.entry->attributes;
    journaled = true;
  }
  if (journaled && !JournalBefore(op)) return INVALID_HANDLE_VALUE;
  int fd = open(host.c_str(), hostFlags | O_CLOEXEC, 0644);
  if (fd < 0) {
    SyncHostPath(host);  // the host may know better than the cache
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (!exists && found.parent != nullptr)
    AddEntry(*found.parent, found.name, false, FILE_ATTRIBUTE_ARCHIVE);
  if (journaled) JournalAfter(op);
  ULONG_PTR id = nextFileHandle;
  nextFileHandle += 4;
  Files()[id] = OpenFile{fd, host, access, share, held};
  bool reported = exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reported ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(id);
}

bool CloseFileHandle(HANDLE handle) {
  OpenFile* file = Find(handle);
  if (file == nullptr) return false;
  close(file->fd);
  Files().erase(reinterpret_cast<ULONG_PTR>(handle));
  return true;
}

}  // namespace winsim::detail

using winsim::detail::Find;

extern "C" HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE) {
  return winsim::detail::OpenHostFile(lpFileName, dwDesiredAccess, dwShareMode,
                                      dwCreationDisposition, dwFlagsAndAttributes, false);
}

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD toRead, LPDWORD lpRead,
                                LPOVERLAPPED) {
  winsim::detail::OpenFile* file = Find(hFile);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lpRead) *lpRead = 0;
  if (!winsim::detail::Reads(file->access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ssize_t got = read(file->fd, lpBuffer, toRead);
  if (got < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (lpRead) *lpRead = static_cast<DWORD>(got);
  return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD toWrite, LPDWORD lpWritten,
                                 LPOVERLAPPED) {
  winsim::detail::OpenFile* file = Find(hFile);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lpWritten) *lpWritten = 0;
  if (!winsim::detail::Writes(file->access)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ssize_t put = write(file->fd, lpBuffer, toWrite);
  if (put < 0) {
    SetLastError(ERROR_CANTWRITE);
    return FALSE;
  }
  if (lpWritten) *lpWritten = static_cast<DWORD>(put);
  return TRUE;
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE hFile, LONG distance, PLONG distanceHigh,
                                       DWORD method) {
  winsim::detail::OpenFile* file = Find(hFile);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  off_t offset = distanceHigh ? static_cast<off_t>((static_cast<int64_t>(*distanceHigh) << 32) |
                                                   static_cast<uint32_t>(distance))
                              : static_cast<off_t>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t at = lseek(file->fd, offset, whence);
  if (at < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<int64_t>(at) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(at);
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  winsim::detail::OpenFile* file = Find(hFile);
  struct stat st;
  if (file == nullptr || fstat(file->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  return static_cast<DWORD>(st.st_size);
}

namespace winsim {

bool HoldFileOpen(const std::string& windowsPath, DWORD desiredAccess, DWORD shareMode) {
  return detail::OpenHostFile(windowsPath.c_str(), desiredAccess, shareMode, OPEN_EXISTING, 0,
                              true) != INVALID_HANDLE_VALUE;
}

void ReleaseHeldFiles() {
  std::vector<HANDLE> held;
  for (const auto& entry : detail::Files())
    if (entry.second.held) held.push_back(reinterpret_cast<HANDLE>(entry.first));
  for (HANDLE handle : held) detail::CloseFileHandle(handle);
}

std::size_t OpenFileHandles() { return detail::CountOpenFiles(false); }

}  // namespace winsim

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (winsim::detail::CloseFileHandle(hObject)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
