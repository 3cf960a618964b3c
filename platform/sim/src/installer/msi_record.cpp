// Records: numbered fields holding text, integers or null; field 0 holds a format.
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "installer/msi_handles.h"
#include "installer/msi_text.h"

namespace {

using namespace winsim::detail::msi;

constexpr UINT kMostFields = 65535;  // documented limit; libmsi takes one fewer

bool HasField(const Record& record, UINT field) {
  return field <= libmsi_record_get_field_count(record.record.get());
}

// An integer read from a field's text; fields that do not hold a whole number read as
// MSI_NULL_INTEGER, as documented.
int ParseInteger(const std::string& text) {
  if (text.empty()) return static_cast<int>(MSI_NULL_INTEGER);
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < INT_MIN || value > INT_MAX)
    return static_cast<int>(MSI_NULL_INTEGER);
  return static_cast<int>(value);
}

MSIHANDLE CreateRecord(UINT cParams) {
  if (cParams >= kMostFields) return 0;
  auto record = std::make_shared<Record>();
  record->record.reset(libmsi_record_new(cParams));
  return record->record ? NewHandle(record) : 0;
}

}  // namespace

extern "C" MSIHANDLE WINAPI MsiCreateRecord(UINT cParams) {
  return Guarded<MSIHANDLE>(0, [&] { return CreateRecord(cParams); });
}

extern "C" UINT WINAPI MsiRecordGetFieldCount(MSIHANDLE hRecord) {
  std::shared_ptr<Record> record = Find<Record>(hRecord);
  if (!record) return static_cast<UINT>(-1);  // documented for an invalid handle
  return libmsi_record_get_field_count(record->record.get());
}

extern "C" BOOL WINAPI MsiRecordIsNull(MSIHANDLE hRecord, UINT iField) {
  std::shared_ptr<Record> record = Find<Record>(hRecord);
  if (!record) return FALSE;
  return !HasField(*record, iField) || libmsi_record_is_null(record->record.get(), iField) ? TRUE
                                                                                           : FALSE;
}

extern "C" UINT WINAPI MsiRecordSetStringA(MSIHANDLE hRecord, UINT iField, LPCSTR szValue) {
  std::shared_ptr<Record> record = Find<Record>(hRecord);
  if (!record) return ERROR_INVALID_HANDLE;
  if (!HasField(*record, iField)) return ERROR_INVALID_PARAMETER;
  return libmsi_record_set_string(record->record.get(), iField, szValue) ? ERROR_SUCCESS
                                                                         : ERROR_INVALID_PARAMETER;
}

extern "C" UINT WINAPI MsiRecordGetStringA(MSIHANDLE hRecord, UINT iField, LPSTR szValueBuf,
                                           LPDWORD pcchValueBuf) {
  return Guarded<UINT>(ERROR_FUNCTION_FAILED, [&]() -> UINT {
    std::shared_ptr<Record> record = Find<Record>(hRecord);
    if (!record) return ERROR_INVALID_HANDLE;
    // Fields past the end read as null, that is as "".
    const std::string value =
        HasField(*record, iField) ? FieldText(record->record.get(), iField) : std::string();
    return CopyToBuffer(value, szValueBuf, pcchValueBuf);
  });
}

extern "C" UINT WINAPI MsiRecordSetInteger(MSIHANDLE hRecord, UINT iField, int iValue) {
  std::shared_ptr<Record> record = Find<Record>(hRecord);
  if (!record) return ERROR_INVALID_HANDLE;
  if (!HasField(*record, iField)) return ERROR_INVALID_PARAMETER;
  const bool set = iValue == static_cast<int>(MSI_NULL_INTEGER)
                       ? libmsi_record_set_string(record->record.get(), iField, nullptr)
                       : libmsi_record_set_int(record->record.get(), iField, iValue);
  return set ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

extern "C" int WINAPI MsiRecordGetInteger(MSIHANDLE hRecord, UINT iField) {
  return Guarded<int>(static_cast<int>(MSI_NULL_INTEGER), [&] {
    std::shared_ptr<Record> record = Find<Record>(hRecord);
    if (!record || !HasField(*record, iField) ||
        libmsi_record_is_null(record->record.get(), iField))
      return static_cast<int>(MSI_NULL_INTEGER);
    // Read through the text, as libmsi warns when asked for an integer it does not hold.
    return ParseInteger(FieldText(record->record.get(), iField));
  });
}
