// The summary information stream of a database, through libmsi_summary_info_*.
#include "files/host_writes.h"
#include "installer/msi_database.h"
#include "installer/msi_handles.h"
#include "installer/msi_text.h"
#include "winsim/machine.h"

namespace {

using namespace winsim::detail::msi;

constexpr int kLibmsiDatatypeMismatch = LIBMSI_RESULT_DATATYPE_MISMATCH;

// The variant type each property of the summary information property set holds; VT_EMPTY
// for ids outside the set (the dictionary and thumbnail included, which are not handled).
UINT TypeOfProperty(UINT pid) {
  if (pid == PID_CODEPAGE) return VT_I2;
  if (pid >= PID_TITLE && pid <= PID_REVNUMBER) return VT_LPSTR;
  if (pid >= 10 && pid <= PID_LASTSAVE_DTM) return VT_FILETIME;  // 10: edit time
  if (pid >= PID_PAGECOUNT && pid <= PID_CHARCOUNT) return VT_I4;
  if (pid == PID_APPNAME) return VT_LPSTR;
  if (pid == PID_SECURITY) return VT_I4;
  return VT_EMPTY;
}

guint64 ToLibmsiTime(const FILETIME& time) {
  return (static_cast<guint64>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromLibmsiTime(guint64 time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

UINT GetSummaryInformation(MSIHANDLE hDatabase, LPCSTR szDatabasePath, UINT uiUpdateCount,
                           MSIHANDLE* phSummaryInfo) {
  if (phSummaryInfo == nullptr) return ERROR_INVALID_PARAMETER;
  *phSummaryInfo = 0;
  auto summary = std::make_shared<SummaryInfo>();
  if (hDatabase != 0) {
    summary->database = Find<Database>(hDatabase);
    if (!summary->database) return ERROR_INVALID_HANDLE;
  } else {
    if (szDatabasePath == nullptr) return ERROR_INVALID_PARAMETER;
    const std::string host = winsim::HostPath(szDatabasePath);
    if (!IsHostFile(host)) return ERROR_INSTALL_PACKAGE_INVALID;
    winsim::detail::HostFileWrites writes({uiUpdateCount > 0 ? host + ".tmp" : ""});
    if (!writes.ok()) return ERROR_INSTALL_PACKAGE_INVALID;
    summary->database = OpenHostDatabase(
        host, uiUpdateCount > 0 ? LIBMSI_DB_FLAGS_TRANSACT : LIBMSI_DB_FLAGS_READONLY);
    if (!summary->database) return ERROR_INSTALL_PACKAGE_INVALID;
    if (uiUpdateCount > 0) summary->database->commitHost = host;
    summary->commitOnPersist = uiUpdateCount > 0;
  }
  ErrorSlot error;
  summary->info.reset(
      libmsi_summary_info_new(summary->database->db.get(), uiUpdateCount, error.Out()));
  if (!summary->info) return ERROR_INSTALL_PACKAGE_INVALID;
  *phSummaryInfo = NewHandle(summary);
  return *phSummaryInfo != 0 ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

UINT SetProperty(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT uiDataType, INT iValue,
                 FILETIME* pftValue, LPCSTR szValue) {
  std::shared_ptr<SummaryInfo> summary = Find<SummaryInfo>(hSummaryInfo);
  if (!summary) return ERROR_INVALID_HANDLE;
  const UINT expected = TypeOfProperty(uiProperty);
  if (expected == VT_EMPTY) return ERROR_UNKNOWN_PROPERTY;
  if (uiDataType != VT_I2 && uiDataType != VT_I4 && uiDataType != VT_LPSTR &&
      uiDataType != VT_FILETIME)
    return ERROR_UNSUPPORTED_TYPE;
  if (uiDataType != expected) return ERROR_DATATYPE_MISMATCH;

  LibmsiSummaryInfo* info = summary->info.get();
  const auto property = static_cast<LibmsiProperty>(uiProperty);
  ErrorSlot error;
  bool set = false;
  if (uiDataType == VT_LPSTR) {
    if (szValue == nullptr) return ERROR_INVALID_PARAMETER;
    set = libmsi_summary_info_set_string(info, property, szValue, error.Out());
  } else if (uiDataType == VT_FILETIME) {
    if (pftValue == nullptr) return ERROR_INVALID_PARAMETER;
    set = libmsi_summary_info_set_filetime(info, property, ToLibmsiTime(*pftValue), error.Out());
  } else {
    set = libmsi_summary_info_set_int(info, property, iValue, error.Out());
  }
  if (set) return ERROR_SUCCESS;
  // libmsi refuses beyond the update count given when the stream was opened.
  return error.Code() == kLibmsiDatatypeMismatch ? ERROR_DATATYPE_MISMATCH : ERROR_FUNCTION_FAILED;
}

UINT GetProperty(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT* puiDataType, INT* piValue,
                 FILETIME* pftValue, LPSTR szValueBuf, LPDWORD pcchValueBuf) {
  std::shared_ptr<SummaryInfo> summary = Find<SummaryInfo>(hSummaryInfo);
  if (!summary) return ERROR_INVALID_HANDLE;
  const UINT expected = TypeOfProperty(uiProperty);
  if (expected == VT_EMPTY) return ERROR_UNKNOWN_PROPERTY;

  LibmsiSummaryInfo* info = summary->info.get();
  const auto property = static_cast<LibmsiProperty>(uiProperty);
  ErrorSlot error;
  const LibmsiPropertyType type =
      libmsi_summary_info_get_property_type(info, property, error.Out());
  UINT dataType = VT_EMPTY;
  std::string text;
  if (type == LIBMSI_PROPERTY_TYPE_INT) {
    dataType = expected;
    if (piValue != nullptr) *piValue = libmsi_summary_info_get_int(info, property, error.Out());
  } else if (type == LIBMSI_PROPERTY_TYPE_FILETIME) {
    dataType = VT_FILETIME;
    if (pftValue != nullptr)
      *pftValue = FromLibmsiTime(libmsi_summary_info_get_filetime(info, property, error.Out()));
  } else if (type == LIBMSI_PROPERTY_TYPE_STRING) {
    dataType = VT_LPSTR;
    const gchar* value = libmsi_summary_info_get_string(info, property, error.Out());
    if (value != nullptr) text = value;
  }
  if (puiDataType != nullptr) *puiDataType = dataType;
  if (dataType != VT_LPSTR && szValueBuf == nullptr) return ERROR_SUCCESS;
  return CopyToBuffer(text, szValueBuf, pcchValueBuf);
}

UINT Persist(MSIHANDLE hSummaryInfo) {
  std::shared_ptr<SummaryInfo> summary = Find<SummaryInfo>(hSummaryInfo);
  if (!summary) return ERROR_INVALID_HANDLE;
  if (summary->database->readOnly) return ERROR_FUNCTION_FAILED;
  ErrorSlot error;
  if (!libmsi_summary_info_persist(summary->info.get(), error.Out())) return ERROR_FUNCTION_FAILED;
  if (!summary->commitOnPersist) return ERROR_SUCCESS;
  const std::string& host = summary->database->commitHost;
  winsim::detail::HostFileWrites writes({host, host + ".tmp"});
  if (!writes.ok() || !libmsi_database_commit(summary->database->db.get(), error.Out()))
    return ERROR_FUNCTION_FAILED;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" UINT WINAPI MsiGetSummaryInformationA(MSIHANDLE hDatabase, LPCSTR szDatabasePath,
                                                 UINT uiUpdateCount, MSIHANDLE* phSummaryInfo) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] {
    return GetSummaryInformation(hDatabase, szDatabasePath, uiUpdateCount, phSummaryInfo);
  });
}

extern "C" UINT WINAPI MsiSummaryInfoSetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty,
                                                  UINT uiDataType, INT iValue, FILETIME* pftValue,
                                                  LPCSTR szValue) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] {
    return SetProperty(hSummaryInfo, uiProperty, uiDataType, iValue, pftValue, szValue);
  });
}

extern "C" UINT WINAPI MsiSummaryInfoGetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty,
                                                  UINT* puiDataType, INT* piValue,
                                                  FILETIME* pftValue, LPSTR szValueBuf,
                                                  LPDWORD pcchValueBuf) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] {
    return GetProperty(hSummaryInfo, uiProperty, puiDataType, piValue, pftValue, szValueBuf,
                       pcchValueBuf);
  });
}

extern "C" UINT WINAPI MsiSummaryInfoPersist(MSIHANDLE hSummaryInfo) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&] { return Persist(hSummaryInfo); });
}
