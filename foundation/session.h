// Installer session access shared by the custom actions: properties read into fixed
// buffers (their size is behaviour: a longer value is cut), and handles released on
// every path.
#pragma once

#include <string>

#include "platform/win32.h"

// Property values are read into 260-character buffers unless an action says otherwise.
const DWORD kPropertyCapacity = MAX_PATH;

// The property's value as a buffer of `capacity` characters holds it: cut to capacity-1
// characters when longer, empty when unset or unreadable.
std::string GetProperty(MSIHANDLE session, const char* name, DWORD capacity = kPropertyCapacity);

// Owns one installer handle (database, view, record) and closes it.
class MsiHandle {
 public:
  MsiHandle() = default;
  explicit MsiHandle(MSIHANDLE handle) : handle_(handle) {}
  ~MsiHandle() { Close(); }
  MsiHandle(const MsiHandle&) = delete;
  MsiHandle& operator=(const MsiHandle&) = delete;

  MSIHANDLE get() const { return handle_; }
  MSIHANDLE* out() {
    Close();
    return &handle_;
  }
  void Close() {
    if (handle_ != 0) MsiCloseHandle(handle_);
    handle_ = 0;
  }

 private:
  MSIHANDLE handle_ = 0;
};

// An executed view over the session's database; Fetch hands out rows until it fails.
class TableView {
 public:
  TableView(MSIHANDLE database, const char* query);
  ~TableView();
  TableView(const TableView&) = delete;
  TableView& operator=(const TableView&) = delete;

  bool Fetch(MsiHandle& row);

 private:
  MsiHandle view_;
  bool executed_ = false;
};

// A record field's text as a buffer of `capacity` characters holds it.
std::string GetRecordString(MSIHANDLE record, UINT field, DWORD capacity = kPropertyCapacity);
