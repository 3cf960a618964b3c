// One installer session on the simulated machine, with the custom actions of one built
// library called by export name as Windows Installer calls them, each watched for what it
// changes.
#pragma once

#include <string>

#include "report.h"

namespace bench {

class SessionRunner {
 public:
  // Opens the package (a Windows path on the machine) and loads the library by name
  // ("KyrCMsiExt" or "KyrCMsiExt.dll"); a BenchError says why either cannot be used.
  SessionRunner(const std::string& packagePath, const std::string& library);
  SessionRunner(const SessionRunner&) = delete;
  SessionRunner& operator=(const SessionRunner&) = delete;

  // A BenchError names an export the library does not have.
  void RequireExport(const std::string& action) const;
  void SetProperty(const std::string& name, const std::string& value);
  std::string Property(const std::string& name) const;
  // [NAME] replaced by that property's value, as a dialog or the sequence would pass it on.
  std::string Format(const std::string& text) const;
  // CostInitialize, FileCost and CostFinalize, as the sequence runs them before the
  // actions that read target paths.
  void Cost();
  // "local", "absent" or "source" for a component of the package.
  void RequestComponentState(const std::string& component, const std::string& state);

  // Calls the action and reports what it changed (file changes need the machine's journal).
  ActionReport Run(const std::string& action);

 private:
  // Members that close what they hold, so that a constructor that gives up part way
  // leaves nothing open.
  struct Session {
    MSIHANDLE handle = 0;
    ~Session() {
      if (handle) MsiCloseHandle(handle);
    }
  };
  struct Library {
    HMODULE handle = nullptr;
    ~Library() {
      if (handle) FreeLibrary(handle);
    }
  };
  Session session_;
  Library library_;
  std::string libraryName_;
};

// "ok", "cancel", "yes", "no", "abort", "retry", "ignore" or a number 1 to 7.
int ParseAnswer(const std::string& text);

}  // namespace bench
