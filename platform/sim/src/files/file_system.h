// Windows paths over host folders: one folder per drive, names found without regard to
// case, plus the attributes and current folder that the host does not keep for us.
#pragma once

#include <string>

#include "core/internal.h"

namespace winsim::detail {

struct FileSystem {
  std::string hostRoot;
  bool ownsRoot = false;
  std::string currentFolder = "C:\\";  // full Windows path, no trailing backslash but a root's
};
FileSystem& TheFileSystem();

// The host path of a full Windows path, using existing names where they differ in case.
std::string MapFullPath(const std::string& fullPath);

// Sets the last error from the state of the host path's parent: ERROR_PATH_NOT_FOUND when
// the parent folder is missing, otherwise the given code.
DWORD MissingError(const std::string& hostPath, DWORD whenParentExists = ERROR_FILE_NOT_FOUND);

bool HostIsDirectory(const std::string& hostPath);
bool HostExists(const std::string& hostPath);

// Attributes kept beside the host files (read-only, hidden, system, archive).
DWORD StoredAttributes(const std::string& hostPath);
void StoreAttributes(const std::string& hostPath, DWORD attributes);
void ForgetAttributes(const std::string& hostPath);

// Open handles on a host path, for sharing rules.
bool SharingAllows(const std::string& hostPath, DWORD access, DWORD share);
bool AnyOpenWithoutDeleteSharing(const std::string& hostPath);

// Forgetting everything open and stored, for a reset.
void CloseAllFiles();
void ForgetFindsAndAttributes();
std::size_t CountOpenFiles(bool held);

bool MatchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace winsim::detail
