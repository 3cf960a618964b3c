// Views: SQL queries on a database, executed with parameter records and fetched row by
// row. libmsi does the SQL.
#include "installer/msi_handles.h"

namespace {

using namespace winsim::detail::msi;

MSIHANDLE RecordHandle(LibmsiRecord* libmsiRecord) {
  auto record = std::make_shared<Record>();
  record->record.reset(libmsiRecord);
  return NewHandle(record);
}

UINT OpenView(MSIHANDLE hDatabase, LPCSTR szQuery, MSIHANDLE* phView) {
  std::shared_ptr<Database> database = Find<Database>(hDatabase);
  if (!database) return ERROR_INVALID_HANDLE;
  if (phView == nullptr) return ERROR_INVALID_PARAMETER;
  *phView = 0;
  if (szQuery == nullptr) return ERROR_BAD_QUERY_SYNTAX;
  ErrorSlot error;
  GObjectPtr<LibmsiQuery> query(libmsi_query_new(database->db.get(), szQuery, error.Out()));
  if (!query) return ERROR_BAD_QUERY_SYNTAX;  // libmsi says so for a missing table too
  auto view = std::make_shared<View>();
  view->database = std::move(database);
  view->query = std::move(query);
  *phView = NewHandle(view);
  return *phView != 0 ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

UINT Execute(MSIHANDLE hView, MSIHANDLE hRecord) {
  std::shared_ptr<View> view = Find<View>(hView);
  if (!view) return ERROR_INVALID_HANDLE;
  std::shared_ptr<Record> parameters;
  if (hRecord != 0) {
    parameters = Find<Record>(hRecord);
    if (!parameters) return ERROR_INVALID_HANDLE;
  }
  ErrorSlot error;
  if (view->executed) libmsi_query_close(view->query.get(), error.Out());
  view->executed = libmsi_query_execute(
      view->query.get(), parameters ? parameters->record.get() : nullptr, error.Out());
  return view->executed ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

UINT Fetch(MSIHANDLE hView, MSIHANDLE* phRecord) {
  std::shared_ptr<View> view = Find<View>(hView);
  if (!view) return ERROR_INVALID_HANDLE;
  if (phRecord == nullptr) return ERROR_INVALID_PARAMETER;
  *phRecord = 0;
  if (!view->executed) return ERROR_FUNCTION_FAILED;
  ErrorSlot error;
  LibmsiRecord* row = libmsi_query_fetch(view->query.get(), error.Out());
  if (row == nullptr) return error.IsSet() ? ERROR_FUNCTION_FAILED : ERROR_NO_MORE_ITEMS;
  *phRecord = RecordHandle(row);
  return *phRecord != 0 ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

UINT ColumnInfo(MSIHANDLE hView, MSICOLINFO eColumnInfo, MSIHANDLE* phRecord) {
  std::shared_ptr<View> view = Find<View>(hView);
  if (!view) return ERROR_INVALID_HANDLE;
  if (phRecord == nullptr) return ERROR_INVALID_PARAMETER;
  *phRecord = 0;
  LibmsiColInfo info;
  if (eColumnInfo == MSICOLINFO_NAMES) {
    info = LIBMSI_COL_INFO_NAMES;
  } else if (eColumnInfo == MSICOLINFO_TYPES) {
    info = LIBMSI_COL_INFO_TYPES;
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  ErrorSlot error;
  LibmsiRecord* columns = libmsi_query_get_column_info(view->query.get(), info, error.Out());
  if (columns == nullptr) return ERROR_FUNCTION_FAILED;
  *phRecord = RecordHandle(columns);
  return *phRecord != 0 ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

}  // namespace

extern "C" UINT WINAPI MsiDatabaseOpenViewA(MSIHANDLE hDatabase, LPCSTR szQuery,
                                            MSIHANDLE* phView) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] { return OpenView(hDatabase, szQuery, phView); });
}

extern "C" UINT WINAPI MsiViewExecute(MSIHANDLE hView, MSIHANDLE hRecord) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] { return Execute(hView, hRecord); });
}

extern "C" UINT WINAPI MsiViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] { return Fetch(hView, phRecord); });
}

extern "C" UINT WINAPI MsiViewClose(MSIHANDLE hView) {
  std::shared_ptr<View> view = Find<View>(hView);
  if (!view) return ERROR_INVALID_HANDLE;
  if (view->executed) {
    ErrorSlot error;
    libmsi_query_close(view->query.get(), error.Out());
    view->executed = false;
  }
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI MsiViewGetColumnInfo(MSIHANDLE hView, MSICOLINFO eColumnInfo,
                                            MSIHANDLE* phRecord) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED,
                       [&] { return ColumnInfo(hView, eColumnInfo, phRecord); });
}
