#include "registry/registry_tree.h"

#include <mutex>
#include <set>

#include "winsim/machine.h"

namespace winsim::detail {
namespace {

const char kCurrentUserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";

struct Registry {
  std::shared_ptr<RegKey> machine, users, classes, currentUser;
  std::map<ULONG_PTR, OpenKey> handles;
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

std::shared_ptr<RegKey> AddChild(RegKey& parent, const std::string& name) {
  auto child = std::make_shared<RegKey>();
  child->name = name;
  child->parent = &parent;
  parent.subkeys[name] = child;
  return child;
}

}  // namespace

RegValue* RegKey::FindValue(const std::string& valueName) {
  for (auto& value : values)
    if (EqualNoCase(value.name, valueName)) return &value;
  return nullptr;
}

std::string RegKey::FullPath() const { return parent ? parent->FullPath() + "\\" + name : name; }

void ResetRegistry() {
  Registry& r = TheRegistry();
  r.handles.clear();
  r.deniedPaths.clear();
  r.machine = MakeRoot("HKEY_LOCAL_MACHINE");
  r.users = MakeRoot("HKEY_USERS");
  auto software = AddChild(*r.machine, "SOFTWARE");
  r.classes = AddChild(*software, "Classes");
  AddChild(*r.users, ".DEFAULT");
  r.currentUser = AddChild(*r.users, kCurrentUserSid);
  AddChild(*r.currentUser, "Software");
}

bool ResolveKey(HKEY handle, OpenKey& out) {
  Registry& r = TheRegistry();
  if (!r.machine) ResetRegistry();
  const REGSAM all = KEY_ALL_ACCESS;
  if (handle == HKEY_LOCAL_MACHINE)
    out = {r.machine, all};
  else if (handle == HKEY_USERS)
    out = {r.users, all};
  else if (handle == HKEY_CURRENT_USER)
    out = {r.currentUser, all};
  else if (handle == HKEY_CLASSES_ROOT)
    out = {r.classes, all};
  else {
    auto it = r.handles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == r.handles.end()) return false;
    out = it->second;
  }
  return true;
}

HKEY AddHandle(const OpenKey& open) {
  Registry& r = TheRegistry();
  ULONG_PTR id = r.nextHandle;
  r.nextHandle += 4;
  r.handles[id] = open;
  return reinterpret_cast<HKEY>(id);
}

bool RemoveHandle(HKEY handle) {
  return TheRegistry().handles.erase(reinterpret_cast<ULONG_PTR>(handle)) > 0;
}

std::size_t HandleCount() { return TheRegistry().handles.size(); }

bool IsPathDenied(const std::string& fullUpperPath) {
  return TheRegistry().deniedPaths.count(fullUpperPath) > 0;
}

bool IsKeyDenied(const RegKey& key) { return IsPathDenied(Upper(key.FullPath())); }

void DenyPath(HKEY root, const std::string& path) {
  OpenKey open;
  if (!ResolveKey(root, open)) return;
  std::string full = open.key->FullPath();
  if (!path.empty()) full += "\\" + path;
  TheRegistry().deniedPaths.insert(Upper(full));
}

}  // namespace winsim::detail

namespace winsim {
void DenyKey(HKEY root, const std::string& path) { detail::DenyPath(root, path); }
std::size_t OpenRegistryHandles() { return detail::HandleCount(); }
}  // namespace winsim
