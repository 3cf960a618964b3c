// Control of the simulated machine for tests and the bench: reset it, point it at a
// folder, look inside and inject faults. Product code never includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winsim/api.h"

namespace winsim {

// Empties the registry, forgets every handle, message box and fault, and lays a fresh
// machine over hostFolder (each drive is hostFolder/drive_<letter>). An empty folder
// means a new temporary folder of the process.
void Reset(const std::string& hostFolder = "");

// The host folder that stands for a drive root, "C" -> ".../drive_c".
std::string DriveFolder(char driveLetter);

// Lays one drive over a host folder of its own, outside the machine's folder (the
// bench's scratch drive for packages); until the next Reset.
void MapDrive(char driveLetter, const std::string& hostFolder);

// The host path that a Windows path maps to (existing components found without regard
// to case); empty when the path is not a drive path.
std::string HostPath(const std::string& windowsPath);

// ---- the machine's settings ----

// The installing user: HKEY_CURRENT_USER is HKEY_USERS\<sid>, created when missing.
void SetCurrentUser(const std::string& sid, const std::string& userName);
std::string CurrentUserSid();
std::string CurrentUserName();
// The machine's environment variables (not the host's), names without regard to case.
void SetEnvironment(const std::map<std::string, std::string>& variables);
std::map<std::string, std::string> Environment();
// The ANSI code page: 1252 unless selected.
void SetCodePage(UINT codePage);

// ---- registry: import, export, changes ----

// Imports registry-editor text ("REGEDIT4", or "Windows Registry Editor Version 5.00" as
// UTF-16LE with its byte-order mark or as UTF-8) as the registry editor does: keys
// created, values set, "[-KEY]" and "name"=- remove. HKEY_CURRENT_USER stands for the
// current user's key, HKEY_CLASSES_ROOT for HKEY_LOCAL_MACHINE\SOFTWARE\Classes. A
// malformed text changes nothing: false, with `error` = "<sourceName>:<line>: <what>".
bool ImportRegistry(const std::string& text, const std::string& sourceName, std::string& error);

// A key and its whole subtree as REGEDIT4 text (header, CR LF line ends, keys in
// enumeration order, values in creation order), named by its full path
// ("HKEY_LOCAL_MACHINE\SOFTWARE\Quorvel"); "" when the key is missing.
std::string ExportRegistry(const std::string& fullKeyPath);

// A copy of the whole registry, to tell later what changed.
class RegistrySnapshot {
 public:
  RegistrySnapshot();
  ~RegistrySnapshot();
  RegistrySnapshot(RegistrySnapshot&&) noexcept;
  RegistrySnapshot& operator=(RegistrySnapshot&&) noexcept;
  struct Tree;
  std::unique_ptr<Tree> tree;
};
RegistrySnapshot SnapshotRegistry();

struct RegistryChange {
  enum class Kind { KeyAdded, KeyRemoved, ValueSet, ValueRemoved };
  Kind kind = Kind::KeyAdded;
  std::string key;      // full path
  std::string value;    // value name, "" for the default value; empty for key changes
  std::string oldData;  // REGEDIT4 data text ("\"text\"", "dword:00000001", "hex:..."), on
  std::string newData;  // one line (not wrapped); empty when there was or is none
};
// What differs now from the snapshot, keys in enumeration order, a removed key once (not
// its subtree), an added key with each of its values and subkeys.
std::vector<RegistryChange> RegistryChanges(const RegistrySnapshot& before);
// Those changes as REGEDIT4 text without the header: "[KEY]" then "name"=data or
// "name"=- lines, "[-KEY]" for a removed key; a changed value carries the old data in a
// comment line ("; was: ...") before it.
std::string RegistryChangesText(const std::vector<RegistryChange>& changes);
// Counts every change made through the registry calls and every import, so that
// unchanged trees need not be saved; it never goes back, not even over Reset().
std::uint64_t RegistryGeneration();

// ---- files: attributes and the change journal ----

// The attributes the host does not keep (read-only, hidden, system, archive), one line
// per file or folder in the form the attrib command prints ("A  R       C:\x\y.txt");
// ImportFileAttributes reads the same text back, false with `error` = "<line>: <what>".
std::string ExportFileAttributes();
bool ImportFileAttributes(const std::string& text, std::string& error);

// From BeginFileJournal on, every change the machine's calls make to files and folders
// (and every file the installer part writes) is first recorded in a journal in
// journalHostFolder, on the same host file system as the drives, so that it can be
// listed, undone, or undone after the process was killed.
bool BeginFileJournal(const std::string& journalHostFolder, std::string& error);
// Starts a new segment: the changes listed from now on are those made after this mark.
void MarkFileJournal();
struct FileChange {
  enum class Kind { Created, Changed, Deleted, Moved, FolderCreated, FolderRemoved, Attributes };
  Kind kind = Kind::Created;
  std::string path;          // Windows path (the destination of a move)
  std::string from;          // Moved: the Windows path it came from
  std::string originalHost;  // Changed, Deleted, Moved over a file: host path of the content
                             // as it was at the mark; empty when there was none
  DWORD oldAttributes = 0, newAttributes = 0;  // Attributes
};
// The net changes of the current segment, one per path, in the order first made.
std::vector<FileChange> FileJournalChanges();
// Restores every file and folder as it was at BeginFileJournal and ends the journal.
bool UndoFileJournal(std::string& error);
// Keeps the changes and ends the journal, removing its folder.
bool EndFileJournal(std::string& error);
// Undoes what a journal left behind by a process that did not end it records; true
// with nothing done when there is no journal there.
bool RecoverFileJournal(const std::string& journalHostFolder, std::string& error);

// ---- installer ----

// Every property a session holds now, by name.
std::map<std::string, std::string> SessionProperties(MSIHANDLE hInstall);

// ---- faults ----

// Registry faults: opening or creating this key (root plus path) is refused with
// ERROR_ACCESS_DENIED.
void DenyKey(HKEY root, const std::string& path);

// Files: holds the file open with the given share mode until ReleaseHeldFiles.
bool HoldFileOpen(const std::string& windowsPath, DWORD desiredAccess, DWORD shareMode);
void ReleaseHeldFiles();

// Message boxes: every call is recorded; answers are taken from the script in order,
// then IDOK for boxes with an OK button and IDNO/IDCANCEL otherwise.
struct MessageBoxRecord {
  std::string text;
  std::string caption;
  UINT style = 0;
  HWND owner = nullptr;
  int answer = 0;
};
void AnswerNextMessageBoxes(const std::vector<int>& answers);
const std::vector<MessageBoxRecord>& MessageBoxes();

// Handles still open, so that a leak shows.
std::size_t OpenRegistryHandles();
std::size_t OpenFileHandles();
std::size_t OpenInstallerHandles();

}  // namespace winsim
