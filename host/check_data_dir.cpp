// KyrCCheckDataDir: tells the package whether the chosen data folder already exists,
// unless the package has decided to overwrite it anyway.
#include "foundation/action.h"
#include "foundation/file_utils.h"
#include "foundation/session.h"

CUSTOM_ACTION KyrCCheckDataDir(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    if (!GetProperty(session, "OVERWRITEDATADIR").empty()) return kActionSuccess;
    std::string dataFolder = GetProperty(session, "KYRDATADIR");
    MsiSetPropertyA(session, "DATADIREXISTS", DirectoryExists(dataFolder.c_str()) ? "1" : "0");
    return kActionSuccess;
  });
}
