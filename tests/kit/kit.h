// The test kit: the same calls on the simulated machine and on Windows (Wine). Tests
// seed keys and files, build a package, open a session and call a library's export by
// name, as Windows Installer does.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"

#ifndef _WIN32
#include "winsim/machine.h"
#endif

namespace kit {

// Each test starts on a fresh simulated machine and must leave no handle open. On
// Windows the machine is the real one: tests clean up what they create.
class MachineTest : public ::testing::Test {
 protected:
  MachineTest();  // before the members of a fixture seed anything

  void TearDown() override;
};

// ---- registry ----
void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value);
void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const std::string& bytes);
void CreateKey(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);
bool ValueExists(HKEY root, const std::string& path, const std::string& name);
// The value's type and bytes; type 0 when it is missing.
std::pair<DWORD, std::string> ReadValue(HKEY root, const std::string& path,
                                        const std::string& name);
std::vector<std::string> SubKeyNames(HKEY root, const std::string& path);
// The key's subtree as text, a line per key and per value (sorted by name, so that it
// reads the same whatever order the registry keeps values in); "" when it is missing.
std::string DumpTree(HKEY root, const std::string& path);
// Deletes the key and everything below it; a missing key is fine.
void DeleteKeyTree(HKEY root, const std::string& path);

// A registry key that is gone before and after the test.
class ScratchKey {
 public:
  ScratchKey(HKEY root, std::string path);
  ~ScratchKey();
  const std::string& path() const { return path_; }

 private:
  HKEY root_;
  std::string path_;
};

// ---- files ----
void MakeFolder(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void RemoveTree(const std::string& path);
std::string CurrentFolder();

// A folder on drive C that is removed, with all it holds, when the test ends.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// ---- packages and sessions ----
struct Table {
  std::string create;  // CREATE TABLE statement
  std::string name;
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;  // every column as text; "" stays null
};

Table PropertyTable(const std::vector<std::pair<std::string, std::string>>& properties);
// Rows of Directory, Directory_Parent, DefaultDir.
Table DirectoryTable(const std::vector<std::vector<std::string>>& rows);

// The tables a session needs for costing: a feature and a component in TARGETDIR.
std::vector<Table> CostingTables();

// Writes a package at path with the tables and the summary information Windows
// Installer needs to open it.
void WritePackage(const std::string& path, const std::vector<Table>& tables);

class Session {
 public:
  explicit Session(const std::string& packagePath);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  MSIHANDLE handle() const { return handle_; }
  std::string Property(const std::string& name) const;
  void SetProperty(const std::string& name, const std::string& value);
  // Runs CostInitialize, FileCost and CostFinalize, so that target paths can be read and set.
  void Cost();
  // The directory's target path; "<error N>" when it cannot be had.
  std::string TargetPath(const std::string& directory) const;

 private:
  MSIHANDLE handle_ = 0;
};

// ---- libraries ----
class Library {
 public:
  explicit Library(const std::string& name);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  bool loaded() const { return module_ != nullptr; }
  bool Exports(const std::string& exportName) const;
  // Calls a custom action by its export name with the session handle.
  UINT Call(const std::string& exportName, MSIHANDLE session) const;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace kit
