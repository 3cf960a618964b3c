// Control of the simulated machine for tests and the bench: reset it, point it at a
// folder, look inside and inject faults. Product code never includes this header.
#pragma once

#include <cstddef>
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

// The host path that a Windows path maps to (existing components found without regard
// to case); empty when the path is not a drive path.
std::string HostPath(const std::string& windowsPath);

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
};
void AnswerNextMessageBoxes(const std::vector<int>& answers);
const std::vector<MessageBoxRecord>& MessageBoxes();

// Handles still open, so that a leak shows.
std::size_t OpenRegistryHandles();
std::size_t OpenFileHandles();
std::size_t OpenInstallerHandles();

}  // namespace winsim
