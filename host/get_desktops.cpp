// KyrGetDesktops: lists the host products that hold the product's core module for the
// package's host-selection dialog, preselects the first, and applies it at once when it
// is the only one.
#include <cstdio>

#include "foundation/action.h"
#include "foundation/file_utils.h"
#include "foundation/session.h"
#include "host/host_actions.h"
#include "host/host_records.h"

namespace {

bool HoldsCoreModule(const std::string& hostFolder) {
  return PathExists((hostFolder + "\\KyrCApp.qxm").c_str()) ||
         PathExists((hostFolder + "\\KyrCAppD.qxm").c_str());
}

std::string Numbered(const char* format, std::size_t number) {
  char name[64];
  std::snprintf(name, sizeof name, format, static_cast<int>(number));
  return name;
}

}  // namespace

CUSTOM_ACTION KyrGetDesktops(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    std::vector<std::string> records;
    CollectHostRecords(GetProperty(session, "BASEPRODUCTVERSION"),
                       GetProperty(session, "BASEPRODUCTID"), records);

    std::size_t accepted = 0;
    std::string first;
    for (std::size_t position = 1; position <= records.size(); ++position) {
      const std::string& record = records[position - 1];
      std::vector<std::string> pieces = SplitHostRecord(record);
      if (!HoldsCoreModule(RecordPiece(pieces, 5))) continue;
      // The numbers are list positions, so a host that fails leaves a gap.
      std::string property = Numbered("Desktop%d", position);
      std::string text = RecordPiece(pieces, 1) + ",   " + RecordPiece(pieces, 2);
      MsiSetPropertyA(session, property.c_str(), record.c_str());
      MsiSetPropertyA(session, (property + "Text").c_str(), text.c_str());
      if (accepted++ == 0) first = record;
    }

    MsiSetPropertyA(session, "BASENUMBEROFPRODUCTS", Numbered("%d", accepted).c_str());
    if (accepted >= 1) MsiSetPropertyA(session, "BASEPRODUCT", first.c_str());
    if (accepted == 1) KyrCSetDesktop(session);
    return kActionSuccess;
  });
}
