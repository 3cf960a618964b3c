// The registry's roots, the current user, the table of open key handles and the keys
// denied for fault tests.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry/registry_key.h"

namespace winsim::detail {

struct OpenKey {
  std::shared_ptr<RegKey> key;
  REGSAM access = 0;
};

// Resolves a handle (predefined root or opened key); false when unknown.
bool ResolveKey(HKEY handle, OpenKey& out);
HKEY AddHandle(const OpenKey& open);
bool RemoveHandle(HKEY handle);
std::size_t HandleCount();

bool IsKeyDenied(const RegKey& key);
bool IsPathDenied(const std::string& fullPath);
bool AnyKeyDenied();
void DenyPath(HKEY root, const std::string& path);

// The two keys that hold everything; the other roots are keys below them.
std::shared_ptr<RegKey> MachineRoot();
std::shared_ptr<RegKey> UsersRoot();

// A root as the registry editor names it, long ("HKEY_LOCAL_MACHINE") or short ("HKLM");
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT are their keys below the real roots. Null
// handle when the name is not a root.
HKEY RootByName(std::string_view name);
// The long name of a predefined root handle.
const char* RootName(HKEY root);

// A key's path split at backslashes, empty parts dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);

}  // namespace winsim::detail
