// CheckNolvaRun: tells the companion's package whether this user still lacks the main
// product's host profile, that is, has not run the host with it since it was installed.
#include "foundation/action.h"
#include "foundation/registry_key.h"

namespace {
const char kProfileKey[] =
    "Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\Profiles\\Nolva Desktop";
}  // namespace

CUSTOM_ACTION CheckNolvaRun(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    // Missing and unreadable alike mean the profile was never made for this user; a
    // present profile leaves the property as it was.
    RegistryKey profile(HKEY_CURRENT_USER, kProfileKey);
    if (!profile.IsOpen()) MsiSetPropertyA(session, "NVQ_JUST_INSTALLED", "1");
    return kActionSuccess;
  });
}
