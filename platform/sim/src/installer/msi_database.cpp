// MsiOpenDatabaseA and MsiDatabaseCommit over libmsi databases.
#include "installer/msi_database.h"

#include <sys/stat.h>

#include <cstdint>

#include "files/host_writes.h"
#include "installer/msi_handles.h"
#include "winsim/machine.h"

namespace winsim::detail::msi {

bool IsHostFile(const std::string& hostPath) {
  struct stat info {};
  return !hostPath.empty() && stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::shared_ptr<Database> OpenHostDatabase(const std::string& hostPath, guint flags,
                                           const char* outputHostPath) {
  ErrorSlot error;
  GObjectPtr<LibmsiDatabase> db(
      libmsi_database_new(hostPath.c_str(), flags, outputHostPath, error.Out()));
  if (!db) return nullptr;
  auto database = std::make_shared<Database>();
  database->db = std::move(db);
  database->readOnly = (flags & LIBMSI_DB_FLAGS_READONLY) != 0;
  return database;
}

bool HasTable(LibmsiDatabase* db, const std::string& table) {
  ErrorSlot error;
  GObjectPtr<LibmsiQuery> query(
      libmsi_query_new(db, "SELECT `Name` FROM `_Tables` WHERE `Name` = ?", error.Out()));
  if (!query) return false;
  GObjectPtr<LibmsiRecord> name(libmsi_record_new(1));
  libmsi_record_set_string(name.get(), 1, table.c_str());
  if (!libmsi_query_execute(query.get(), name.get(), error.Out())) return false;
  GObjectPtr<LibmsiRecord> row(libmsi_query_fetch(query.get(), error.Out()));
  return row != nullptr;
}

std::vector<std::vector<std::string>> SelectText(LibmsiDatabase* db, const std::string& table,
                                                 const std::string& sql, guint columns) {
  std::vector<std::vector<std::string>> rows;
  if (!HasTable(db, table)) return rows;  // asking libmsi for a missing table only warns
  ErrorSlot error;
  GObjectPtr<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.Out()));
  if (!query || !libmsi_query_execute(query.get(), nullptr, error.Out())) return rows;
  while (GObjectPtr<LibmsiRecord> row{libmsi_query_fetch(query.get(), error.Out())}) {
    std::vector<std::string> fields;
    for (guint field = 1; field <= columns; ++field) fields.push_back(FieldText(row.get(), field));
    rows.push_back(std::move(fields));
  }
  return rows;
}

namespace {

// The persistence modes are small integers passed in place of an output path; no
// address in the lowest 64K can be a path.
bool IsPersistMode(LPCSTR persist) { return reinterpret_cast<std::uintptr_t>(persist) < 0x10000; }

UINT OpenDatabase(LPCSTR path, LPCSTR persist, MSIHANDLE* phDatabase) {
  if (path == nullptr || phDatabase == nullptr) return ERROR_INVALID_PARAMETER;
  *phDatabase = 0;
  const std::string host = winsim::HostPath(path);

  std::shared_ptr<Database> database;
  if (IsPersistMode(persist)) {
    const auto value = reinterpret_cast<std::uintptr_t>(persist);
    const guint patch = (value & MSIDBOPEN_PATCHFILE) != 0 ? LIBMSI_DB_FLAGS_PATCH : 0;
    const std::uintptr_t mode = value & ~static_cast<std::uintptr_t>(MSIDBOPEN_PATCHFILE);
    if (mode == reinterpret_cast<std::uintptr_t>(MSIDBOPEN_CREATE) ||
        mode == reinterpret_cast<std::uintptr_t>(MSIDBOPEN_CREATEDIRECT)) {
      if (host.empty()) return ERROR_CREATE_FAILED;
      // libmsi writes the new file at once, through a temporary one beside it.
      winsim::detail::HostFileWrites writes({host, host + ".tmp"});
      if (!writes.ok()) return ERROR_CREATE_FAILED;
      database = OpenHostDatabase(host, LIBMSI_DB_FLAGS_CREATE | patch);
      if (!database) return ERROR_CREATE_FAILED;
      database->commitHost = host;
    } else if (mode <= reinterpret_cast<std::uintptr_t>(MSIDBOPEN_DIRECT)) {
      if (!IsHostFile(host)) return ERROR_OPEN_FAILED;
      // Direct mode is kept transacted: libmsi empties a directly opened file that is
      // closed without a commit, where the documentation only warns of damage.
      const bool readOnly = mode == reinterpret_cast<std::uintptr_t>(MSIDBOPEN_READONLY);
      const guint flags = readOnly ? LIBMSI_DB_FLAGS_READONLY : LIBMSI_DB_FLAGS_TRANSACT;
      // A writable open has libmsi write a temporary file beside the database.
      winsim::detail::HostFileWrites writes({readOnly ? "" : host + ".tmp"});
      if (!writes.ok()) return ERROR_OPEN_FAILED;
      database = OpenHostDatabase(host, flags | patch);
      if (!database) return ERROR_OPEN_FAILED;
      if (!readOnly) database->commitHost = host;
    } else {
      return ERROR_INVALID_PARAMETER;
    }
  } else {
    // An output path: the database is read from `path` and committed to `persist`.
    if (!IsHostFile(host)) return ERROR_OPEN_FAILED;
    const std::string output = winsim::HostPath(persist);
    if (output.empty()) return ERROR_CREATE_FAILED;
    winsim::detail::HostFileWrites writes({host + ".tmp", output + ".tmp"});
    if (!writes.ok()) return ERROR_OPEN_FAILED;
    database = OpenHostDatabase(host, LIBMSI_DB_FLAGS_TRANSACT, output.c_str());
    if (!database) return ERROR_OPEN_FAILED;
    database->commitHost = output;
  }
  *phDatabase = NewHandle(database);
  return *phDatabase != 0 ? ERROR_SUCCESS : ERROR_OPEN_FAILED;
}

}  // namespace
}  // namespace winsim::detail::msi

using namespace winsim::detail::msi;

extern "C" UINT WINAPI MsiOpenDatabaseA(LPCSTR szDatabasePath, LPCSTR szPersist,
                                        MSIHANDLE* phDatabase) {
  return Guarded<UINT>(ERROR_OPEN_FAILED,
                       [&] { return OpenDatabase(szDatabasePath, szPersist, phDatabase); });
}

extern "C" UINT WINAPI MsiDatabaseCommit(MSIHANDLE hDatabase) {
  std::shared_ptr<Database> database = Find<Database>(hDatabase);
  if (!database) return ERROR_INVALID_HANDLE;
  if (database->readOnly) return ERROR_SUCCESS;  // nothing of it is ever persisted
  // libmsi writes a temporary file and renames it over the database.
  winsim::detail::HostFileWrites writes({database->commitHost, database->commitHost + ".tmp"});
  if (!writes.ok()) return ERROR_FUNCTION_FAILED;
  ErrorSlot error;
  return libmsi_database_commit(database->db.get(), error.Out()) ? ERROR_SUCCESS
                                                                 : ERROR_FUNCTION_FAILED;
}
