// Folders, attributes, deletion, the current folder and the C runtime's access test.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_system.h"
#include "files/journal.h"

using namespace winsim::detail;

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  Resolved found;
  if (!ResolveExisting(lpFileName, found)) return INVALID_FILE_ATTRIBUTES;
  const DWORD stored = found.entry->attributes;
  if (found.IsFolder()) return FILE_ATTRIBUTE_DIRECTORY | stored;
  return stored ? stored : FILE_ATTRIBUTE_NORMAL;
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  Resolved found;
  if (!ResolveExisting(lpFileName, found)) return FALSE;
  JournalOp op;
  op.kind = JournalOp::Kind::Attributes;
  op.host = found.host;
  op.folder = found.IsFolder();
  op.attributes = found.entry->attributes;
  op.newAttributes = dwFileAttributes & kKeptAttributes;
  if (op.newAttributes == op.attributes) return TRUE;
  if (!JournalBefore(op)) return FALSE;
  found.entry->attributes = op.newAttributes;
  JournalAfter(op);
  return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  Resolved found;
  if (!ResolveArgument(lpPathName, found)) return FALSE;
  if (found.Exists()) return Fail(ERROR_ALREADY_EXISTS);
  if (found.state == PathState::NoFolder) return Fail(ERROR_PATH_NOT_FOUND);
  JournalOp op;
  op.kind = JournalOp::Kind::CreateFolder;
  op.host = found.host;
  op.folder = true;
  if (!JournalBefore(op)) return FALSE;
  if (mkdir(found.host.c_str(), 0755) != 0) {
    const bool there = errno == EEXIST;
    SyncHostPath(found.host);  // something beside the machine made it
    return Fail(there ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
  }
  if (found.parent != nullptr) AddEntry(*found.parent, found.name, true, 0);
  JournalAfter(op);
  return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  Resolved found;
  if (!ResolveExisting(lpPathName, found)) return FALSE;
  if (!found.IsFolder()) return Fail(ERROR_DIRECTORY);
  // The process keeps its current folder open, so Windows refuses to remove it.
  if (MapFullPath(TheFileSystem().currentFolder) == found.host)
    return Fail(ERROR_SHARING_VIOLATION);
  if (found.entry->listing && !found.entry->listing->entries.empty())
    return Fail(ERROR_DIR_NOT_EMPTY);
  JournalOp op;
  op.kind = JournalOp::Kind::RemoveFolder;
  op.host = found.host;
  op.folder = true;
  op.attributes = found.entry->attributes;
  if (!JournalBefore(op)) return FALSE;
  if (rmdir(found.host.c_str()) != 0) {
    const bool full = errno == ENOTEMPTY || errno == EEXIST;
    SyncHostPath(found.host);
    return Fail(full ? ERROR_DIR_NOT_EMPTY : ERROR_ACCESS_DENIED);
  }
  if (found.parent != nullptr)
    RemoveEntry(*found.parent, found.name);
  else
    found.entry->listing.reset();  // a drive's own folder
  JournalAfter(op);
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  Resolved found;
  if (!ResolveExisting(lpFileName, found)) return FALSE;
  if (found.IsFolder() || (found.entry->attributes & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  if (AnyOpenWithoutDeleteSharing(found.host)) return Fail(ERROR_SHARING_VIOLATION);
  JournalOp op;
  op.kind = JournalOp::Kind::DeleteFile;
  op.host = found.host;
  op.attributes = found.entry->attributes;
  if (!JournalBefore(op)) return FALSE;
  if (!RemoveHostFile(op)) {
    SyncHostPath(found.host);
    return Fail(ERROR_ACCESS_DENIED);
  }
  RemoveEntry(*found.parent, found.name);
  JournalAfter(op);
  return TRUE;
}

extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  const std::string& current = TheFileSystem().currentFolder;
  // Too small a buffer gets nothing; the result is then the size needed with the NUL.
  if (!CopyOut(current, lpBuffer, nBufferLength)) return static_cast<DWORD>(current.size() + 1);
  return static_cast<DWORD>(current.size());
}

extern "C" BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  Resolved found;
  std::string full;
  if (!ResolveExisting(lpPathName, found, &full)) return FALSE;
  if (!found.IsFolder()) return Fail(ERROR_DIRECTORY);
  TheFileSystem().currentFolder = full;
  return TRUE;
}

extern "C" int _access(const char* path, int mode) {
  if (path == nullptr || (mode & ~6) != 0) {
    errno = EINVAL;
    return -1;
  }
  std::string full = FullWindowsPath(path);
  Resolved found;
  if (!full.empty()) found = Resolve(full);
  if (!found.Exists()) {
    errno = ENOENT;
    return -1;
  }
  if ((mode & 2) && !found.IsFolder() && (found.entry->attributes & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return -1;
  }
  return 0;
}
