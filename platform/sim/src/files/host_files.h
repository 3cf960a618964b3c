// Host file operations the files part and its journal share: what a host path is, and
// copies and moves that keep the bytes and mode.
#pragma once

#include <string>

namespace winsim::detail {

enum class HostKind { None, File, Folder };

// What the host has at a path, links followed.
HostKind KindOnHost(const std::string& hostPath);
bool HostIsDirectory(const std::string& hostPath);
bool HostExists(const std::string& hostPath);

// Copies a file's bytes and mode to `to`, through a temporary name beside it so that a
// copy cut short never stands under the final name.
bool CopyHostFile(const std::string& from, const std::string& to);

// Renames; a file that has to cross host file systems is copied, then removed.
bool MoveHostFile(const std::string& from, const std::string& to);

// Removes a folder and all it holds; false with `error` saying why.
bool RemoveHostTree(const std::string& folder, std::string& error);

}  // namespace winsim::detail
