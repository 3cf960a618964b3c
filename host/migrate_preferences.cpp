// KyrMigratePreferences: copies each module's "Preferences" and "ObjectDefaults" subtrees
// under the subkey of the product release, beside the module keys they come from.
#include <cstdio>

#include "foundation/action.h"
#include "foundation/registry_key.h"
#include "foundation/session.h"

namespace {

const REGSAM kParentAccess = KEY_READ | KEY_CREATE_SUB_KEY;

// Copies REG_SZ and REG_DWORD values and every subkey, recursively.
bool CopyRegistryTree(const RegistryKey& source, WritableKey& destination) {
  std::string name;
  DWORD type = 0;
  for (DWORD index = 0; source.EnumValue(index, name, type); ++index) {
    if (type == REG_SZ)
      destination.SetString(name.c_str(), source.GetString(name.c_str()).c_str());
    else if (type == REG_DWORD)
      destination.SetDword(name.c_str(), source.GetDword(name.c_str()));
  }
  for (DWORD index = 0; source.EnumSubKey(index, name); ++index) {
    WritableKey destinationChild(destination.Handle(), name.c_str());
    WritableKey sourceChild(source.Handle(), name.c_str());
    CopyRegistryTree(sourceChild, destinationChild);
  }
  return true;
}

// One pass: for every module N under the parent, parent\N\<subtree> goes to
// parent\<release>\N\<subtree>.
void MigrateModules(const RegistryKey& parent, const std::string& release, const char* subtree) {
  std::string module;
  for (DWORD index = 0; parent.EnumSubKey(index, module); ++index) {
    RegistryKey source(parent.Handle(), (module + "\\" + subtree).c_str());
    if (!source.IsOpen()) continue;
    WritableKey destination(parent.Handle(), (release + module + "\\" + subtree).c_str());
    if (!destination.IsOpen()) continue;
    CopyRegistryTree(source, destination);
  }
}

}  // namespace

CUSTOM_ACTION KyrMigratePreferences(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    std::string release = GetProperty(session, "KYRREGVER") + "\\";
    std::string hostRelease = GetProperty(session, "DRXNVERSION");
    std::string productKey = GetProperty(session, "DRXNCOOKIE");

    std::string hostPath =
        "Software\\Quorvel\\Draxon\\" + hostRelease + "\\" + productKey + "\\KYR";
    RegistryKey host;
    host.OpenWithAccess(HKEY_LOCAL_MACHINE, hostPath.c_str(), kParentAccess);
    MigrateModules(host, release, "Preferences");
    host.Close();

    std::string runtimePath = "Software\\Quorvel\\Fennix\\" + hostRelease + "\\KYR";
    RegistryKey runtime;
    runtime.OpenWithAccess(HKEY_LOCAL_MACHINE, runtimePath.c_str(), kParentAccess);
    MigrateModules(runtime, release, "ObjectDefaults");
    MigrateModules(runtime, release, "Preferences");
    return kActionSuccess;
  });
}
