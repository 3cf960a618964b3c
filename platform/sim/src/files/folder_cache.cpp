#include "files/folder_cache.h"

#include <dirent.h>
#include <sys/stat.h>

#include <array>
#include <cctype>
#include <string_view>
#include <vector>

#include "core/internal.h"
#include "files/host_files.h"

namespace winsim::detail {
namespace {

struct Drive {
  std::string host;
  bool mapped = false;
  CachedEntry root;
};

std::array<Drive, 26>& Drives() {
  static std::array<Drive, 26> drives;
  return drives;
}

Drive* DriveOf(char letter) {
  int index = std::toupper(static_cast<unsigned char>(letter)) - 'A';
  return index >= 0 && index < 26 ? &Drives()[static_cast<std::size_t>(index)] : nullptr;
}

std::vector<std::string_view> Parts(std::string_view path, char separator) {
  std::vector<std::string_view> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find(separator, pos);
    if (end == std::string_view::npos) end = path.size();
    if (end > pos) parts.push_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

// The drive whose folder holds a host path (the deepest, should mapped folders nest),
// and the rest of the path below that folder.
Drive* DriveOfHost(const std::string& host, std::string_view& rest) {
  Drive* best = nullptr;
  for (Drive& drive : Drives()) {
    const std::string& root = drive.host;
    if (root.empty() || host.compare(0, root.size(), root) != 0) continue;
    if (host.size() > root.size() && host[root.size()] != '/') continue;
    if (best == nullptr || root.size() > best->host.size()) best = &drive;
  }
  if (best != nullptr) {
    rest = std::string_view(host);
    rest.remove_prefix(std::min(rest.size(), best->host.size() + 1));
  }
  return best;
}

// The cached listing that holds a host path's last part, and that part; null when that
// folder has not been read (then the next reading sees the host as it is).
Listing* CachedParent(const std::string& host, std::string& name) {
  std::string_view rest;
  Drive* drive = DriveOfHost(host, rest);
  if (drive == nullptr) return nullptr;
  std::vector<std::string_view> parts = Parts(rest, '/');
  if (parts.empty()) return nullptr;
  Listing* listing = drive->root.listing.get();
  for (std::size_t i = 0; i + 1 < parts.size() && listing != nullptr; ++i) {
    auto it = listing->entries.find(Upper(parts[i]));
    if (it == listing->entries.end() || it->second.name != parts[i]) return nullptr;
    listing = it->second.listing.get();
  }
  name.assign(parts.back());
  return listing;
}

void Visit(const std::string& path, const CachedEntry& entry,
           const std::function<void(const std::string&, const CachedEntry&)>& visit) {
  visit(path, entry);
  if (!entry.listing) return;
  const std::string prefix = path.back() == '\\' ? path : path + "\\";
  for (const auto& child : entry.listing->entries)
    Visit(prefix + child.second.name, child.second, visit);
}

}  // namespace

Listing* ListingOf(CachedEntry& folder, const std::string& hostPath) {
  if (folder.listing) return folder.listing.get();
  DIR* dir = opendir(hostPath.c_str());
  if (dir == nullptr) return nullptr;
  auto listing = std::make_unique<Listing>();
  while (dirent* found = readdir(dir)) {
    std::string name = found->d_name;
    if (name == "." || name == "..") continue;
    bool isFolder = found->d_type == DT_DIR;
    if (found->d_type != DT_DIR && found->d_type != DT_REG) {
      HostKind kind = KindOnHost(hostPath + "/" + name);  // links and file systems without types
      if (kind == HostKind::None) continue;
      isFolder = kind == HostKind::Folder;
    }
    // Names that differ only in case: the first one read stands, as a search would find it.
    auto placed = listing->entries.try_emplace(Upper(name));
    if (!placed.second) continue;
    placed.first->second.name = std::move(name);
    placed.first->second.folder = isFolder;
  }
  closedir(dir);
  folder.listing = std::move(listing);
  return folder.listing.get();
}

Resolved Resolve(const std::string& fullPath) {
  Resolved resolved;
  Drive* drive = fullPath.size() >= 3 ? DriveOf(fullPath[0]) : nullptr;
  if (drive == nullptr) return resolved;
  drive->root.folder = true;
  resolved.host = drive->host;
  std::vector<std::string_view> parts = Parts(std::string_view(fullPath).substr(3), '\\');
  Listing* listing = ListingOf(drive->root, resolved.host);
  if (parts.empty()) {
    resolved.state = listing != nullptr ? PathState::Folder : PathState::Missing;
    if (listing != nullptr) resolved.entry = &drive->root;
    return resolved;
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    resolved.host += '/';
    resolved.entry = nullptr;
    resolved.parent = listing;
    if (listing == nullptr) {
      resolved.name.assign(parts[i]);
      resolved.host += resolved.name;
      resolved.state = PathState::NoFolder;
      continue;
    }
    auto it = listing->entries.find(Upper(parts[i]));
    if (it == listing->entries.end()) {
      resolved.name.assign(parts[i]);
      resolved.host += resolved.name;
      resolved.state = last ? PathState::Missing : PathState::NoFolder;
      listing = nullptr;
      continue;
    }
    CachedEntry& entry = it->second;
    resolved.name = entry.name;
    resolved.host += entry.name;
    if (last) {
      resolved.entry = &entry;
      resolved.state = entry.folder ? PathState::Folder : PathState::File;
    } else {
      listing = entry.folder ? ListingOf(entry, resolved.host) : nullptr;
    }
  }
  return resolved;
}

CachedEntry& AddEntry(Listing& parent, const std::string& name, bool folder, DWORD attributes) {
  CachedEntry& entry = parent.entries[Upper(name)];
  entry.name = name;
  entry.folder = folder;
  entry.attributes = attributes;
  entry.listing = folder ? std::make_unique<Listing>() : nullptr;
  return entry;
}

void RemoveEntry(Listing& parent, const std::string& name) { parent.entries.erase(Upper(name)); }

void MoveEntry(Listing& from, const std::string& fromName, Listing& to, const std::string& toName) {
  auto it = from.entries.find(Upper(fromName));
  if (it == from.entries.end()) return;
  CachedEntry moved = std::move(it->second);
  from.entries.erase(it);
  moved.name = toName;
  to.entries[Upper(toName)] = std::move(moved);
}

void SyncHostPath(const std::string& hostPath) {
  std::string name;
  Listing* parent = CachedParent(hostPath, name);
  if (parent == nullptr) return;
  const HostKind kind = KindOnHost(hostPath);
  const std::string key = Upper(name);
  auto it = parent->entries.find(key);
  if (it != parent->entries.end() && it->second.name != name) {
    // Another spelling holds the name; it stands while the host still has it.
    const std::string other = hostPath.substr(0, hostPath.size() - name.size()) + it->second.name;
    if (HostExists(other)) return;
    parent->entries.erase(it);
    it = parent->entries.end();
  }
  if (kind == HostKind::None) {
    if (it != parent->entries.end()) parent->entries.erase(it);
    return;
  }
  const bool folder = kind == HostKind::Folder;
  if (it != parent->entries.end() && it->second.folder == folder) return;
  CachedEntry& entry = parent->entries[key];
  entry = CachedEntry{};
  entry.name = name;
  entry.folder = folder;
}

CachedEntry* FindHostEntry(const std::string& hostPath) {
  std::string_view rest;
  Drive* drive = DriveOfHost(hostPath, rest);
  if (drive != nullptr && rest.empty()) return &drive->root;
  std::string name;
  Listing* parent = CachedParent(hostPath, name);
  if (parent == nullptr) return nullptr;
  auto it = parent->entries.find(Upper(name));
  return it != parent->entries.end() && it->second.name == name ? &it->second : nullptr;
}

void MoveHostEntry(const std::string& fromHost, const std::string& toHost) {
  std::string fromName, toName;
  Listing* from = CachedParent(fromHost, fromName);
  Listing* to = CachedParent(toHost, toName);
  if (from != nullptr && to != nullptr) {
    auto it = from->entries.find(Upper(fromName));
    if (it != from->entries.end() && it->second.name == fromName) {
      MoveEntry(*from, fromName, *to, toName);
      return;
    }
  }
  SyncHostPath(fromHost);
  SyncHostPath(toHost);
}

void ResetDrives(const std::string& hostRoot) {
  for (std::size_t i = 0; i < Drives().size(); ++i) {
    Drive& drive = Drives()[i];
    drive.host = hostRoot + "/drive_" + static_cast<char>('a' + i);
    drive.mapped = false;
    drive.root = CachedEntry{};
    drive.root.folder = true;
  }
}

void MapDriveFolder(char letter, const std::string& hostFolder) {
  Drive* drive = DriveOf(letter);
  if (drive == nullptr) return;
  drive->host = hostFolder;
  while (drive->host.size() > 1 && drive->host.back() == '/') drive->host.pop_back();
  drive->mapped = true;
  drive->root = CachedEntry{};
  drive->root.folder = true;
}

std::string DriveHost(char letter) {
  Drive* drive = DriveOf(letter);
  return drive != nullptr ? drive->host : "";
}

bool IsMappedDrive(char letter) {
  Drive* drive = DriveOf(letter);
  return drive != nullptr && drive->mapped;
}

std::string WindowsPathOfHost(const std::string& hostPath) {
  std::string_view rest;
  Drive* drive = DriveOfHost(hostPath, rest);
  if (drive == nullptr) return "";
  std::string path(1, static_cast<char>('A' + (drive - Drives().data())));
  path += ":\\";
  for (char c : rest) path += c == '/' ? '\\' : c;
  return path;
}

void ForEachCachedEntry(const std::function<void(const std::string&, const CachedEntry&)>& visit) {
  for (std::size_t i = 0; i < Drives().size(); ++i) {
    const Drive& drive = Drives()[i];
    if (drive.mapped || !drive.root.listing) continue;
    Visit(std::string(1, static_cast<char>('A' + i)) + ":\\", drive.root, visit);
  }
}

}  // namespace winsim::detail
