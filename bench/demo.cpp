// The bench's first road: the companion's first-run check on a simulated machine, once
// for a user who has not run the host with the product's profile and once for one who has.
#include <cstdio>
#include <string>

#include "winsim/machine.h"

namespace {

const char kProfile[] = "Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\Profiles\\Nolva Desktop";

struct Handle {
  MSIHANDLE value = 0;
  ~Handle() {
    if (value) MsiCloseHandle(value);
  }
};

bool Execute(MSIHANDLE database, const char* sql) {
  Handle view;
  return MsiDatabaseOpenViewA(database, sql, &view.value) == ERROR_SUCCESS &&
         MsiViewExecute(view.value, 0) == ERROR_SUCCESS;
}

bool WriteCompanionPackage(const char* path) {
  Handle database, summary;
  if (MsiOpenDatabaseA(path, MSIDBOPEN_CREATE, &database.value) != ERROR_SUCCESS) return false;
  bool ok =
      Execute(database.value,
              "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT "
              "NULL PRIMARY KEY `Property`)") &&
      Execute(
          database.value,
          "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Tarsin Design')") &&
      MsiGetSummaryInformationA(database.value, nullptr, 4, &summary.value) == ERROR_SUCCESS;
  if (!ok) return false;
  MsiSummaryInfoSetPropertyA(summary.value, PID_TEMPLATE, VT_LPSTR, 0, nullptr, "Intel;1033");
  MsiSummaryInfoSetPropertyA(summary.value, PID_REVNUMBER, VT_LPSTR, 0, nullptr,
                             "{5A1C9E7B-3D2F-4B6A-8E1D-7C4F2A9B6E30}");
  MsiSummaryInfoSetPropertyA(summary.value, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr);
  MsiSummaryInfoSetPropertyA(summary.value, PID_WORDCOUNT, VT_I4, 2, nullptr, nullptr);
  return MsiSummaryInfoPersist(summary.value) == ERROR_SUCCESS &&
         MsiDatabaseCommit(database.value) == ERROR_SUCCESS;
}

std::string Property(MSIHANDLE session, const char* name) {
  char value[260];
  DWORD size = sizeof value;
  return MsiGetPropertyA(session, name, value, &size) == ERROR_SUCCESS ? value : "<unreadable>";
}

int RunCheck(HMODULE library, const char* package) {
  typedef UINT(__stdcall * Action)(MSIHANDLE);
  Action action =
      reinterpret_cast<Action>(reinterpret_cast<void*>(GetProcAddress(library, "CheckNolvaRun")));
  Handle session;
  if (action == nullptr || MsiOpenPackageA(package, &session.value) != ERROR_SUCCESS) return 1;
  std::printf("  NVQ_JUST_INSTALLED before: \"%s\"\n",
              Property(session.value, "NVQ_JUST_INSTALLED").c_str());
  UINT result = action(session.value);
  std::printf("  CheckNolvaRun returned %u\n", result);
  std::printf("  NVQ_JUST_INSTALLED after:  \"%s\"\n",
              Property(session.value, "NVQ_JUST_INSTALLED").c_str());
  return 0;
}

}  // namespace

int main() {
  winsim::Reset();
  const char* package = "C:\\companion.msi";
  HMODULE library = LoadLibraryA("TarsinMsiExt.dll");
  if (library == nullptr || !WriteCompanionPackage(package)) {
    std::fprintf(stderr, "bench: could not prepare the simulated machine\n");
    return 1;
  }
  std::printf("Simulated machine at %s\n", winsim::DriveFolder('C').c_str());
  std::printf("1. A user who has not run the host with the Nolva Desktop profile:\n");
  int failed = RunCheck(library, package);

  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, kProfile, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegCloseKey(key);
  std::printf("2. After HKEY_CURRENT_USER\\%s was created:\n", kProfile);
  failed |= RunCheck(library, package);
  FreeLibrary(library);
  return failed;
}
