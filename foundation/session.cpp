#include "session.h"

#include <vector>

namespace {

// Runs an installer call that fills a buffer of `capacity` characters and returns the
// text as that buffer holds it: cut when the value is longer, empty on any other failure.
template <typename Fill>
std::string ReadIntoBuffer(DWORD capacity, Fill fill) {
  std::vector<char> buffer(capacity + 1, '\0');
  DWORD size = capacity;
  UINT result = fill(buffer.data(), &size);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return "";
  return std::string(buffer.data());
}

}  // namespace

std::string GetProperty(MSIHANDLE session, const char* name, DWORD capacity) {
  return ReadIntoBuffer(capacity, [&](char* buffer, DWORD* size) {
    return MsiGetPropertyA(session, name, buffer, size);
  });
}

std::string GetRecordString(MSIHANDLE record, UINT field, DWORD capacity) {
  return ReadIntoBuffer(capacity, [&](char* buffer, DWORD* size) {
    return MsiRecordGetStringA(record, field, buffer, size);
  });
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
