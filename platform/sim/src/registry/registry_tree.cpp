#include "registry/registry_tree.h"

#include <set>
#include <unordered_map>

#include "winsim/machine.h"

namespace winsim::detail {
namespace {

const char kDefaultUserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
const char kDefaultUserName[] = "engineer";

struct Registry {
  std::shared_ptr<RegKey> machine, users, classes, currentUser;
  std::string userSid = kDefaultUserSid;
  std::string userName = kDefaultUserName;
  std::unordered_map<ULONG_PTR, OpenKey> handles;
  ULONG_PTR nextHandle = 0x1000;
  std::set<std::string> deniedPaths;  // upper-case full paths
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::shared_ptr<RegKey> MakeRoot(const std::string& name) {
  auto key = std::make_shared<RegKey>();
  key->name = name;
  return key;
}

Registry& Ready() {
  Registry& r = TheRegistry();
  if (!r.machine) ResetRegistry();
  return r;
}

// The current user's key, made again (with its Software key) when it is missing, as a
// logged-on user's hive always is there.
std::shared_ptr<RegKey> CurrentUserKey() {
  Registry& r = Ready();
  if (!r.currentUser || r.currentUser->deleted) {
    r.currentUser = r.users->FindSubKey(r.userSid);
    if (!r.currentUser) {
      r.currentUser = r.users->AddSubKey(r.userSid);
      r.currentUser->AddSubKey("Software");
    }
  }
  return r.currentUser;
}

std::shared_ptr<RegKey> ClassesKey() {
  Registry& r = Ready();
  if (!r.classes || r.classes->deleted)
    r.classes = r.machine->SubKey("SOFTWARE")->SubKey("Classes");
  return r.classes;
}

}  // namespace

void ResetRegistry() {
  Registry& r = TheRegistry();
  r.handles.clear();
  r.deniedPaths.clear();
  r.userSid = kDefaultUserSid;
  r.userName = kDefaultUserName;
  r.machine = MakeRoot("HKEY_LOCAL_MACHINE");
  r.users = MakeRoot("HKEY_USERS");
  r.classes = r.machine->AddSubKey("SOFTWARE")->AddSubKey("Classes");
  r.users->AddSubKey(".DEFAULT");
  r.currentUser = nullptr;
  CurrentUserKey();
}

std::shared_ptr<RegKey> MachineRoot() { return Ready().machine; }
std::shared_ptr<RegKey> UsersRoot() { return Ready().users; }

bool ResolveKey(HKEY handle, OpenKey& out) {
  Registry& r = Ready();
  const REGSAM all = KEY_ALL_ACCESS;
  if (handle == HKEY_LOCAL_MACHINE)
    out = {r.machine, all};
  else if (handle == HKEY_USERS)
    out = {r.users, all};
  else if (handle == HKEY_CURRENT_USER)
    out = {CurrentUserKey(), all};
  else if (handle == HKEY_CLASSES_ROOT)
    out = {ClassesKey(), all};
  else {
    auto it = r.handles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == r.handles.end()) return false;
    out = it->second;
  }
  return true;
}

HKEY AddHandle(const OpenKey& open) {
  Registry& r = Ready();
  ULONG_PTR id = r.nextHandle;
  r.nextHandle += 4;
  r.handles[id] = open;
  return reinterpret_cast<HKEY>(id);
}

bool RemoveHandle(HKEY handle) {
  return TheRegistry().handles.erase(reinterpret_cast<ULONG_PTR>(handle)) > 0;
}

std::size_t HandleCount() { return TheRegistry().handles.size(); }

bool AnyKeyDenied() { return !TheRegistry().deniedPaths.empty(); }

bool IsPathDenied(const std::string& fullPath) {
  return AnyKeyDenied() && TheRegistry().deniedPaths.count(FoldName(fullPath)) > 0;
}

bool IsKeyDenied(const RegKey& key) { return AnyKeyDenied() && IsPathDenied(key.FullPath()); }

void DenyPath(HKEY root, const std::string& path) {
  OpenKey open;
  if (!ResolveKey(root, open)) return;
  std::string full = open.key->FullPath();
  if (!path.empty()) full += "\\" + path;
  TheRegistry().deniedPaths.insert(FoldName(full));
}

HKEY RootByName(std::string_view name) {
  std::string folded = FoldName(name);
  if (folded == "HKEY_LOCAL_MACHINE" || folded == "HKLM") return HKEY_LOCAL_MACHINE;
  if (folded == "HKEY_USERS" || folded == "HKU") return HKEY_USERS;
  if (folded == "HKEY_CURRENT_USER" || folded == "HKCU") return HKEY_CURRENT_USER;
  if (folded == "HKEY_CLASSES_ROOT" || folded == "HKCR") return HKEY_CLASSES_ROOT;
  return nullptr;
}

const char* RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (root == HKEY_USERS) return "HKEY_USERS";
  if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  return "";
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace winsim::detail

namespace winsim {

void DenyKey(HKEY root, const std::string& path) { detail::DenyPath(root, path); }
std::size_t OpenRegistryHandles() { return detail::HandleCount(); }

void SetCurrentUser(const std::string& sid, const std::string& userName) {
  detail::Registry& r = detail::Ready();
  r.userSid = sid;
  r.userName = userName;
  r.currentUser = nullptr;
  detail::CurrentUserKey();
}

std::string CurrentUserSid() { return detail::Ready().userSid; }
std::string CurrentUserName() { return detail::Ready().userName; }
std::uint64_t RegistryGeneration() { return detail::CurrentRegistryGeneration(); }

}  // namespace winsim
