// The Directory table resolved into target paths at CostFinalize, MsiGetTargetPathA and
// MsiSetTargetPathA.
#include <set>

#include "installer/msi_database.h"
#include "installer/msi_handles.h"
#include "installer/msi_session.h"
#include "installer/msi_text.h"

namespace winsim::detail::msi {
namespace {

using DirectoryEntry = std::map<std::string, Directory>::value_type;

std::string WithBackslash(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

// The long name of the target part of a DefaultDir value: "short|long:source" -> "long".
std::string TargetName(const std::string& defaultDir) {
  const std::string target = defaultDir.substr(0, defaultDir.find(':'));
  const std::size_t bar = target.find('|');
  return bar == std::string::npos ? target : target.substr(bar + 1);
}

// Gives a directory that is not fixed its parent's target plus its own name ("." keeps
// the parent's folder). False for a missing parent or a cycle.
bool Derive(Session& session, DirectoryEntry& entry, std::set<std::string>& derived,
            std::size_t depth) {
  Directory& directory = entry.second;
  if (directory.fixed || derived.count(entry.first) != 0) return true;
  if (depth > session.directories.size()) return false;
  auto parent = session.directories.find(directory.parent);
  if (parent == session.directories.end() || !Derive(session, *parent, derived, depth + 1))
    return false;
  const std::string name = TargetName(directory.defaultDir);
  directory.target = parent->second.target + (name.empty() || name == "." ? "" : name + "\\");
  derived.insert(entry.first);
  return true;
}

bool DeriveTargets(Session& session) {
  std::set<std::string> derived;
  for (auto& entry : session.directories)
    if (!Derive(session, entry, derived, 0)) return false;
  return true;
}

// A Directory key, or for a root its DefaultDir value, as MsiGetTargetPath accepts.
Directory* FindFolder(Session& session, const std::string& folder, bool allowRootName) {
  auto found = session.directories.find(folder);
  if (found != session.directories.end()) return &found->second;
  if (!allowRootName) return nullptr;
  for (auto& entry : session.directories) {
    Directory& directory = entry.second;
    if (directory.parent.empty() &&
        (directory.defaultDir == folder || TargetName(directory.defaultDir) == folder))
      return &directory;
  }
  return nullptr;
}

UINT GetTargetPath(MSIHANDLE hInstall, LPCSTR szFolder, LPSTR szPathBuf, LPDWORD pcchPathBuf) {
  std::shared_ptr<Session> session = Find<Session>(hInstall);
  if (!session) return ERROR_INVALID_HANDLE;
  if (szFolder == nullptr) return ERROR_INVALID_PARAMETER;
  // Target paths exist once CostFinalize has run.
  Directory* directory = session->costFinalized ? FindFolder(*session, szFolder, true) : nullptr;
  if (directory == nullptr) return ERROR_DIRECTORY;
  return CopyToBuffer(directory->target, szPathBuf, pcchPathBuf);
}

UINT SetTargetPath(MSIHANDLE hInstall, LPCSTR szFolder, LPCSTR szFolderPath) {
  std::shared_ptr<Session> session = Find<Session>(hInstall);
  if (!session) return ERROR_INVALID_HANDLE;
  if (szFolder == nullptr || szFolderPath == nullptr || szFolderPath[0] == '\0')
    return ERROR_INVALID_PARAMETER;
  Directory* directory = session->costFinalized ? FindFolder(*session, szFolder, false) : nullptr;
  if (directory == nullptr) return ERROR_DIRECTORY;

  const std::map<std::string, Directory> before = session->directories;
  directory->target = WithBackslash(szFolderPath);
  directory->fixed = true;
  if (!DeriveTargets(*session)) {  // documented: on failure every path reverts
    session->directories = before;
    return ERROR_FUNCTION_FAILED;
  }
  // The properties of the folder and of every directory whose path followed it.
  for (const auto& entry : session->directories)
    if (entry.first == szFolder || entry.second.target != before.at(entry.first).target)
      SetPropertyValue(*session, entry.first, entry.second.target);
  return ERROR_SUCCESS;
}

}  // namespace

void LoadDirectories(Session& session) {
  session.directories.clear();
  for (const auto& row : SelectText(session.database->db.get(), "Directory",
                                    "SELECT `Directory`, `Directory_Parent`, `DefaultDir` "
                                    "FROM `Directory`",
                                    3)) {
    Directory directory;
    directory.parent = row[1] == row[0] ? "" : row[1];  // a root may name itself as parent
    directory.defaultDir = row[2];
    session.directories[row[0]] = directory;
  }
}

UINT ResolveDirectories(Session& session) {
  // Unless the package or a caller set ROOTDRIVE, the installer sets it to the local drive
  // with the most free space: the simulated machine's drive C.
  if (PropertyValue(session, "ROOTDRIVE").empty()) SetPropertyValue(session, "ROOTDRIVE", "C:\\");
  const std::string rootDrive = WithBackslash(PropertyValue(session, "ROOTDRIVE"));
  // Roots and directories whose property is set are fixed; the rest follow their parents.
  for (auto& entry : session.directories) {
    Directory& directory = entry.second;
    const std::string own = PropertyValue(session, entry.first);
    directory.fixed = !own.empty() || directory.parent.empty();
    if (!own.empty()) {
      directory.target = WithBackslash(own);
    } else if (directory.parent.empty()) {
      directory.target = rootDrive;
    }
  }
  if (!DeriveTargets(session)) return ERROR_INSTALL_FAILURE;
  for (const auto& entry : session.directories)
    SetPropertyValue(session, entry.first, entry.second.target);
  return ERROR_SUCCESS;
}

}  // namespace winsim::detail::msi

using namespace winsim::detail::msi;

extern "C" UINT WINAPI MsiGetTargetPathA(MSIHANDLE hInstall, LPCSTR szFolder, LPSTR szPathBuf,
                                         LPDWORD pcchPathBuf) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED,
                       [&] { return GetTargetPath(hInstall, szFolder, szPathBuf, pcchPathBuf); });
}

extern "C" UINT WINAPI MsiSetTargetPathA(MSIHANDLE hInstall, LPCSTR szFolder, LPCSTR szFolderPath) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED,
                       [&] { return SetTargetPath(hInstall, szFolder, szFolderPath); });
}
