// MsiDatabaseImportA: a table in the installer's text archive form (.idt) read into a
// database.
#include "installer/msi_handles.h"
#include "winsim/machine.h"

using namespace winsim::detail::msi;

extern "C" UINT WINAPI MsiDatabaseImportA(MSIHANDLE hDatabase, LPCSTR szFolderPath,
                                          LPCSTR szFileName) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&]() -> UINT {
    std::shared_ptr<Database> database = Find<Database>(hDatabase);
    if (!database) return ERROR_INVALID_HANDLE;
    if (szFolderPath == nullptr || szFileName == nullptr) return ERROR_INVALID_PARAMETER;
    const std::string folder = winsim::HostPath(szFolderPath);
    if (folder.empty()) return ERROR_BAD_PATHNAME;
    const std::string file = winsim::HostPath(std::string(szFolderPath) + "\\" + szFileName);
    ErrorSlot error;
    return libmsi_database_import(database->db.get(), file.c_str(), error.Out())
               ? ERROR_SUCCESS
               : ERROR_FUNCTION_FAILED;
  });
}
