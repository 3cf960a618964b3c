// KyrFormatArgPaths: sets every "KYRDOUBLE..." property of the package to the target path
// of the directory whose upper-case key its name carries, with backslashes doubled for
// the REGEDIT4 text of the profile argument files.
#include <cctype>

#include "foundation/action.h"
#include "foundation/session.h"
#include "host/regedit_text.h"

namespace {

const char kPrefix[] = "KYRDOUBLE";
const std::size_t kPrefixLength = sizeof kPrefix - 1;

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Tries every directory for one property; the last match in view order wins.
void SetFromMatchingDirectories(MSIHANDLE session, MSIHANDLE database,
                                const std::string& property) {
  TableView directories(database, "SELECT * FROM `Directory`");
  MsiHandle row;
  while (directories.Fetch(row)) {
    std::string key = GetRecordString(row.get(), 1);
    if (key.empty() || property.find(UpperCase(key), kPrefixLength) == std::string::npos) continue;
    char path[MAX_PATH];
    DWORD size = MAX_PATH;
    if (MsiGetTargetPathA(session, key.c_str(), path, &size) != ERROR_SUCCESS) continue;
    MsiSetPropertyA(session, property.c_str(), DoubledBackslashes(path).c_str());
  }
}

}  // namespace

CUSTOM_ACTION KyrFormatArgPaths(MSIHANDLE session) {
  return GuardAction(ERROR_SUCCESS, [&] {
    MsiHandle database(MsiGetActiveDatabase(session));
    TableView properties(database.get(), "SELECT * FROM `Property`");
    MsiHandle row;
    while (properties.Fetch(row)) {
      std::string name = GetRecordString(row.get(), 1);
      if (name.compare(0, kPrefixLength, kPrefix) != 0) continue;
      SetFromMatchingDirectories(session, database.get(), name);
    }
    return kActionSuccess;
  });
}
