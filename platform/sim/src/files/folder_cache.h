// The names in each host folder, read once per process and kept exact by every change the
// machine makes itself, so that finding a name without regard to case costs a hash lookup
// rather than a read of the whole folder. The attributes the host does not keep live on
// the entries, so that they travel with a moved file and go with a deleted one.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "winsim/api.h"

namespace winsim::detail {

struct Listing;

struct CachedEntry {
  std::string name;  // as on the host
  bool folder = false;
  DWORD attributes = 0;              // read-only, hidden, system, archive
  std::unique_ptr<Listing> listing;  // a folder's names, once read
};

struct Listing {
  std::unordered_map<std::string, CachedEntry> entries;  // by upper-case name
};

enum class PathState {
  NoFolder,  // the parent folder is missing or is a file
  Missing,   // the parent folder exists, the name does not
  File,
  Folder,
};

struct Resolved {
  PathState state = PathState::NoFolder;
  std::string host;              // names as on the host where they exist, as given elsewhere
  std::string name;              // the last part, likewise
  Listing* parent = nullptr;     // the folder that holds or would hold it; null for a root
  CachedEntry* entry = nullptr;  // when it exists
  bool Exists() const { return state == PathState::File || state == PathState::Folder; }
  bool IsFolder() const { return state == PathState::Folder; }
  std::string ParentHost() const { return host.substr(0, host.size() - name.size() - 1); }
};

// Finds a full Windows path ("C:\A\b.txt") in the cache, reading folders not read yet.
Resolved Resolve(const std::string& fullWindowsPath);

// The names of a folder; null when the host folder cannot be read (then nothing is kept).
Listing* ListingOf(CachedEntry& folder, const std::string& hostPath);

// The machine's own changes. A new folder is known to be empty, so it needs no reading.
CachedEntry& AddEntry(Listing& parent, const std::string& name, bool folder, DWORD attributes);
void RemoveEntry(Listing& parent, const std::string& name);
// Moves an entry, with its attributes and names below, under another name or folder.
void MoveEntry(Listing& from, const std::string& fromName, Listing& to, const std::string& toName);

// Changes made beside the Win32 calls (the journal's undo, the installer's database files),
// named by host path. Sync looks at the host: the entry appears, goes, or keeps its
// attributes when it is still of the same kind.
void SyncHostPath(const std::string& hostPath);
CachedEntry* FindHostEntry(const std::string& hostPath);  // null when not cached
// A cached entry moves with its attributes and names below; else both paths are synced.
void MoveHostEntry(const std::string& fromHost, const std::string& toHost);

// ---- drives ----

// Every drive over hostRoot/drive_<letter>, nothing read yet.
void ResetDrives(const std::string& hostRoot);
void MapDriveFolder(char letter, const std::string& hostFolder);
std::string DriveHost(char letter);
bool IsMappedDrive(char letter);
// The Windows path of a host path on one of the drives, names as on the host; empty
// when it is on none.
std::string WindowsPathOfHost(const std::string& hostPath);
// Every entry read so far on the drives under the machine's root, with its Windows path.
void ForEachCachedEntry(const std::function<void(const std::string&, const CachedEntry&)>& visit);

}  // namespace winsim::detail
