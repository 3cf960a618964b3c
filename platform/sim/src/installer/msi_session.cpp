// Sessions: MsiOpenPackageA, properties, the active database and the actions MsiDoActionA
// knows.
#include "installer/msi_session.h"

#include <cstdlib>

#include "installer/msi_database.h"
#include "installer/msi_handles.h"
#include "installer/msi_text.h"
#include "winsim/machine.h"

namespace winsim::detail::msi {

std::string PropertyValue(const Session& session, const std::string& name) {
  auto found = session.properties.find(name);
  return found == session.properties.end() ? std::string() : found->second;
}

void SetPropertyValue(Session& session, const std::string& name, const std::string& value) {
  if (value.empty()) {
    session.properties.erase(name);  // an empty value is no value
  } else {
    session.properties[name] = value;
  }
}

namespace {

// The summary properties a package is documented to require: the template, the revision
// number (the package code) and the page count (the least installer version). The word count
// is not among them: left out, it is 0.
bool HasPackageSummary(LibmsiDatabase* db) {
  ErrorSlot error;
  GObjectPtr<LibmsiSummaryInfo> info(libmsi_summary_info_new(db, 0, error.Out()));
  if (!info) return false;
  for (LibmsiProperty required : {LIBMSI_PROPERTY_TEMPLATE, LIBMSI_PROPERTY_UUID /* revision */,
                                  LIBMSI_PROPERTY_VERSION /* pages */}) {
    if (libmsi_summary_info_get_property_type(info.get(), required, error.Out()) ==
        LIBMSI_PROPERTY_TYPE_EMPTY)
      return false;
  }
  return true;
}

// "#nnnn" names an open database handle in place of a package path.
std::shared_ptr<Database> DatabaseFromHandleText(const char* text) {
  char* end = nullptr;
  unsigned long handle = std::strtoul(text + 1, &end, 10);
  if (end == text + 1 || *end != '\0') return nullptr;
  return Find<Database>(handle);
}

UINT OpenPackage(LPCSTR szPackagePath, MSIHANDLE* hProduct) {
  if (szPackagePath == nullptr || hProduct == nullptr) return ERROR_INVALID_PARAMETER;
  *hProduct = 0;
  auto session = std::make_shared<Session>();
  if (szPackagePath[0] == '#') {
    session->database = DatabaseFromHandleText(szPackagePath);
    if (!session->database) return ERROR_INVALID_HANDLE;
  } else {
    const std::string host = winsim::HostPath(szPackagePath);
    if (!IsHostFile(host)) return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
    // Read-only: whatever a session writes stays in memory, never in the package file.
    session->database = OpenHostDatabase(host, LIBMSI_DB_FLAGS_READONLY);
    if (!session->database) return ERROR_INSTALL_PACKAGE_INVALID;
  }
  LibmsiDatabase* db = session->database->db.get();
  if (!HasPackageSummary(db)) return ERROR_INSTALL_PACKAGE_INVALID;

  for (const auto& row :
       SelectText(db, "Property", "SELECT `Property`, `Value` FROM `Property`", 2))
    SetPropertyValue(*session, row[0], row[1]);
  // The installer sets the system folder properties itself, over any value in the package.
  // The simulated machine is a 32-bit Windows installed on drive C.
  SetPropertyValue(*session, "ProgramFilesFolder", "C:\\Program Files\\");
  SetPropertyValue(*session, "CommonFilesFolder", "C:\\Program Files\\Common Files\\");

  *hProduct = NewHandle(session);
  return *hProduct != 0 ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

UINT CostInitialize(Session& session) {
  LoadDirectories(session);
  LoadComponents(session);
  session.costInitialized = true;
  session.costFinalized = false;
  return ERROR_SUCCESS;
}

UINT DoAction(MSIHANDLE hInstall, LPCSTR szAction) {
  std::shared_ptr<Session> session = Find<Session>(hInstall);
  if (!session) return ERROR_INVALID_HANDLE;
  // Action names are case-sensitive. A null name means the ACTION property or INSTALL,
  // neither of which the simulated machine runs.
  const std::string action = szAction != nullptr ? szAction : "";
  if (action == "CostInitialize") return CostInitialize(*session);
  if (action == "FileCost") return ERROR_SUCCESS;  // no file costs are kept
  if (action == "CostFinalize") {
    if (!session->costInitialized) CostInitialize(*session);
    UINT result = ResolveDirectories(*session);
    session->costFinalized = result == ERROR_SUCCESS;
    return result;
  }
  return ERROR_FUNCTION_NOT_CALLED;  // documented for an action that is not found
}

}  // namespace
}  // namespace winsim::detail::msi

using namespace winsim::detail::msi;

extern "C" UINT WINAPI MsiOpenPackageA(LPCSTR szPackagePath, MSIHANDLE* hProduct) {
  return Guarded<UINT>(ERROR_INSTALL_FAILURE, [&] { return OpenPackage(szPackagePath, hProduct); });
}

extern "C" MSIHANDLE WINAPI MsiGetActiveDatabase(MSIHANDLE hInstall) {
  return Guarded<MSIHANDLE>(0, [&]() -> MSIHANDLE {
    std::shared_ptr<Session> session = Find<Session>(hInstall);
    return session ? NewHandle(session->database) : 0;
  });
}

extern "C" UINT WINAPI MsiGetPropertyA(MSIHANDLE hInstall, LPCSTR szName, LPSTR szValueBuf,
                                       LPDWORD pcchValueBuf) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&]() -> UINT {
    std::shared_ptr<Session> session = Find<Session>(hInstall);
    if (!session) return ERROR_INVALID_HANDLE;
    if (szName == nullptr) return ERROR_INVALID_PARAMETER;
    return CopyToBuffer(PropertyValue(*session, szName), szValueBuf, pcchValueBuf);
  });
}

extern "C" UINT WINAPI MsiSetPropertyA(MSIHANDLE hInstall, LPCSTR szName, LPCSTR szValue) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&]() -> UINT {
    std::shared_ptr<Session> session = Find<Session>(hInstall);
    if (!session) return ERROR_INVALID_HANDLE;
    if (szName == nullptr) return ERROR_INVALID_PARAMETER;
    if (szName[0] == '\0') return ERROR_FUNCTION_FAILED;  // no property has an empty name
    SetPropertyValue(*session, szName, szValue != nullptr ? szValue : "");
    return ERROR_SUCCESS;
  });
}

extern "C" UINT WINAPI MsiDoActionA(MSIHANDLE hInstall, LPCSTR szAction) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] { return DoAction(hInstall, szAction); });
}

namespace winsim {

std::map<std::string, std::string> SessionProperties(MSIHANDLE hInstall) {
  std::shared_ptr<Session> session = Find<Session>(hInstall);
  return session ? session->properties : std::map<std::string, std::string>();
}

}  // namespace winsim
