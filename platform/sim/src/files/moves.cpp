// MoveFileA and MoveFileExA: a rename within a drive, a copy and a removal across drives.
#include <cstdio>

#include "files/file_system.h"
#include "files/journal.h"

namespace winsim::detail {

BOOL RegisterPendingRename(LPCSTR existing, LPCSTR newName);

namespace {

std::string LastPart(const std::string& fullPath) {
  return fullPath.substr(fullPath.find_last_of('\\') + 1);
}

bool IsBelow(const std::string& fullPath, const std::string& folderFullPath) {
  return Upper(fullPath).rfind(Upper(folderFullPath) + "\\", 0) == 0;
}

// Takes the file that a move replaces out of the way: into the journal when one is
// open, so that it can come back.
bool RemoveReplaced(Resolved& target) {
  JournalOp op;
  op.kind = JournalOp::Kind::DeleteFile;
  op.host = target.host;
  op.attributes = target.entry->attributes;
  if (!JournalBefore(op)) return false;
  if (!RemoveHostFile(op)) {
    SyncHostPath(target.host);
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  RemoveEntry(*target.parent, target.name);
  JournalAfter(op);
  return true;
}

BOOL Rename(Resolved& source, Resolved& target, const std::string& newName) {
  const std::string newHost = target.ParentHost() + "/" + newName;
  JournalOp op;
  op.kind = JournalOp::Kind::Rename;
  op.host = source.host;
  op.to = newHost;
  op.folder = source.IsFolder();
  op.attributes = source.entry->attributes;
  if (!JournalBefore(op)) return FALSE;
  if (std::rename(source.host.c_str(), newHost.c_str()) != 0) {
    SyncHostPath(source.host);
    SyncHostPath(newHost);
    return Fail(ERROR_ACCESS_DENIED);
  }
  MoveEntry(*source.parent, source.name, *target.parent, newName);
  MoveOpenFiles(source.host, newHost);
  JournalAfter(op);
  return TRUE;
}

// Another drive: the file is copied, then the original removed. A read-only original
// cannot be removed; the documentation has the move succeed and leave it in place.
BOOL CopyAcross(Resolved& source, Resolved& target, const std::string& newName) {
  const std::string newHost = target.ParentHost() + "/" + newName;
  const DWORD attributes = source.entry->attributes;
  JournalOp create;
  create.kind = JournalOp::Kind::CreateFile;
  create.host = newHost;
  if (!JournalBefore(create)) return FALSE;
  if (!CopyHostFile(source.host, newHost)) {
    SyncHostPath(newHost);
    return Fail(ERROR_ACCESS_DENIED);
  }
  AddEntry(*target.parent, newName, false, attributes);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    JournalAfter(create);
    return TRUE;
  }
  JournalOp remove;
  remove.kind = JournalOp::Kind::DeleteFile;
  remove.host = source.host;
  remove.attributes = attributes;
  if (!JournalBefore(remove)) return FALSE;
  if (!RemoveHostFile(remove)) {
    SyncHostPath(source.host);
    JournalAfter(create);
    return TRUE;  // copied; the original stays, as when it cannot be deleted
  }
  RemoveEntry(*source.parent, source.name);
  // Told as one move, though the journal undoes it as a copy and a removal.
  JournalOp moved;
  moved.kind = JournalOp::Kind::Rename;
  moved.host = source.host;
  moved.to = newHost;
  moved.attributes = attributes;
  JournalAfter(moved);
  return TRUE;
}

BOOL Move(LPCSTR existing, LPCSTR newName, DWORD flags) {
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    if (flags & MOVEFILE_COPY_ALLOWED) return Fail(ERROR_INVALID_PARAMETER);
    return RegisterPendingRename(existing, newName);
  }
  if (existing == nullptr || newName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  Resolved source, target;
  std::string sourceFull, targetFull;
  if (!ResolveExisting(existing, source, &sourceFull)) return FALSE;
  if (!ResolveArgument(newName, target, &targetFull)) return FALSE;
  if (source.parent == nullptr) return Fail(ERROR_ACCESS_DENIED);  // a drive's root
  const bool folder = source.IsFolder();
  if (!folder && AnyOpenWithoutDeleteSharing(source.host)) return Fail(ERROR_SHARING_VIOLATION);
  if (target.state == PathState::NoFolder || (!target.Exists() && target.parent == nullptr))
    return Fail(ERROR_PATH_NOT_FOUND);
  const std::string name = LastPart(targetFull);
  const bool sameDrive = sourceFull[0] == targetFull[0];
  if (folder) {
    if (!sameDrive) return Fail(ERROR_NOT_SAME_DEVICE);  // folders never cross drives
    if (IsBelow(targetFull, sourceFull)) return Fail(ERROR_SHARING_VIOLATION);
    // The process holds its current folder open, so neither it nor a folder above it moves.
    const std::string& current = TheFileSystem().currentFolder;
    if (EqualNoCase(current, sourceFull)) return Fail(ERROR_SHARING_VIOLATION);
    if (IsBelow(current, sourceFull) || AnyOpenBelow(source.host)) return Fail(ERROR_ACCESS_DENIED);
  } else if (!sameDrive && !(flags & MOVEFILE_COPY_ALLOWED)) {
    return Fail(ERROR_NOT_SAME_DEVICE);
  }
  // The same file under another spelling: only its name changes.
  if (target.Exists() && target.entry == source.entry) {
    if (source.name == name) return TRUE;
    return Rename(source, target, name);
  }
  if (target.Exists()) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
    if (folder || target.IsFolder() || target.parent == nullptr) return Fail(ERROR_ACCESS_DENIED);
    if (target.entry->attributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
    if (AnyOpenWithoutDeleteSharing(target.host)) return Fail(ERROR_SHARING_VIOLATION);
    // The new name may differ in case from the one it replaces, so the old goes first.
    if ((JournalOpen() || target.name != name) && !RemoveReplaced(target)) return FALSE;
  }
  return sameDrive ? Rename(source, target, name) : CopyAcross(source, target, name);
}

}  // namespace
}  // namespace winsim::detail

extern "C" BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  return winsim::detail::Move(lpExistingFileName, lpNewFileName, dwFlags);
}

// MoveFile moves files across drives as MOVEFILE_COPY_ALLOWED does, folders within one.
extern "C" BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
  return winsim::detail::Move(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}
