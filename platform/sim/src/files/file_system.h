// Windows paths over host folders: one folder per drive, names found without regard to
// case, plus the attributes and current folder that the host does not keep for us.
#pragma once

#include <string>
#include <vector>

#include "core/internal.h"
#include "files/folder_cache.h"
#include "files/host_files.h"

namespace winsim::detail {

struct FileSystem {
  std::string hostRoot;
  std::string currentFolder = "C:\\";  // full Windows path, no trailing backslash but a root's
};
FileSystem& TheFileSystem();

// The attributes kept beside host files; the directory bit is the host's.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// The host path of a full Windows path, using existing names where they differ in case.
std::string MapFullPath(const std::string& fullPath);

// A path argument of a Win32 call, made full and found; false with the last error set
// when there is none (ERROR_INVALID_PARAMETER) or it cannot be made full.
bool ResolveArgument(LPCSTR path, Resolved& resolved, std::string* fullPath = nullptr);
// Likewise for a path that must exist: ERROR_PATH_NOT_FOUND when its folder is missing,
// ERROR_FILE_NOT_FOUND when only the name is.
bool ResolveExisting(LPCSTR path, Resolved& resolved, std::string* fullPath = nullptr);

// Sets and returns the last error for a path that does not exist: ERROR_PATH_NOT_FOUND
// when its folder is missing, otherwise the given code.
DWORD MissingError(const Resolved& resolved, DWORD whenParentExists = ERROR_FILE_NOT_FOUND);

// Open handles on a host path, for sharing rules.
bool SharingAllows(const std::string& hostPath, DWORD access, DWORD share);
bool AnyOpenWithoutDeleteSharing(const std::string& hostPath);
bool AnyOpenBelow(const std::string& hostFolder);
// Handles follow a moved file or folder.
void MoveOpenFiles(const std::string& fromHost, const std::string& toHost);
std::vector<std::string> HostsOpenForWriting();

// Forgetting everything open, for a reset.
void CloseAllFiles();
void ForgetFinds();
std::size_t CountOpenFiles(bool held);

bool MatchesWildcard(const std::string& pattern, const std::string& name);

BOOL Fail(DWORD code);

}  // namespace winsim::detail
