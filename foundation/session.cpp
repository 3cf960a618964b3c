#include "session.h"

#include <vector>

std::string GetProperty(MSIHANDLE session, const char* name, DWORD capacity) {
  std::vector<char> buffer(capacity + 1, '\0');
  DWORD size = capacity;
  UINT result = MsiGetPropertyA(session, name, buffer.data(), &size);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return "";
  return std::string(buffer.data());
}

std::string GetRecordString(MSIHANDLE record, UINT field, DWORD capacity) {
  std::vector<char> buffer(capacity + 1, '\0');
  DWORD size = capacity;
  UINT result = MsiRecordGetStringA(record, field, buffer.data(), &size);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return "";
  return std::string(buffer.data());
}

TableView::TableView(MSIHANDLE database, const char* query) {
  if (MsiDatabaseOpenViewA(database, query, view_.out()) == ERROR_SUCCESS)
    executed_ = MsiViewExecute(view_.get(), 0) == ERROR_SUCCESS;
}

TableView::~TableView() {
  if (executed_) MsiViewClose(view_.get());
}

bool TableView::Fetch(MsiHandle& row) {
  return executed_ && MsiViewFetch(view_.get(), row.out()) == ERROR_SUCCESS;
}
