// KyrCSetDesktop: applies the host chosen in "BASEPRODUCT": its release and product key
// names for the actions that build host registry paths, and its folder as the install
// folder.
#include "foundation/action.h"
#include "foundation/session.h"
#include "host/host_actions.h"
#include "host/host_records.h"

namespace {
const DWORD kRecordCapacity = 1040;
}

CUSTOM_ACTION KyrCSetDesktop(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    std::vector<std::string> pieces =
        SplitHostRecord(GetProperty(session, "BASEPRODUCT", kRecordCapacity));
    MsiSetPropertyA(session, "DRXNVERSION", RecordPiece(pieces, 3).c_str());
    MsiSetPropertyA(session, "DRXNCOOKIE", RecordPiece(pieces, 4).c_str());
    // No host folder, no new target: an empty one would only be refused.
    std::string hostFolder = RecordPiece(pieces, 5);
    if (!hostFolder.empty()) MsiSetTargetPathA(session, "INSTALLDIR", hostFolder.c_str());
    return kActionSuccess;
  });
}
