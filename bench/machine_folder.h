// A simulated machine kept in a folder, in the formats a Windows user knows:
//   machine.ini                 settings neither of the others holds (user, code page,
//                               environment variables)
//   registry/HKEY_LOCAL_MACHINE.reg, registry/HKEY_USERS.reg   the registry, REGEDIT4
//   drive_c/...                 one folder per drive
//   attributes.txt              file attributes the host does not keep, as attrib prints
// While a run is under way the folder also holds the bench's journal, so that a run that
// does not finish can be undone, by that run or by the next command on the folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/win32.h"

namespace bench {

struct MachineSettings {
  std::string userSid = "S-1-5-21-1004336348-1177238915-682003330-1001";
  std::string userName = "engineer";
  UINT codePage = 1252;
  std::map<std::string, std::string> environment;
};

// machine.ini; a malformed line is a BenchError "<source>:<line>: <what>".
MachineSettings ParseSettings(const std::string& text, const std::string& source);
std::string SettingsText(const MachineSettings& settings);

class MachineFolder {
 public:
  // Checks that the folder holds a machine and takes it for this process alone; a
  // BenchError names what is missing or wrong.
  explicit MachineFolder(const std::string& path);
  ~MachineFolder();
  MachineFolder(const MachineFolder&) = delete;
  MachineFolder& operator=(const MachineFolder&) = delete;

  const std::string& path() const { return path_; }
  const MachineSettings& settings() const { return settings_; }

  // Finishes or undoes a run that a killed process left; says which, "" when none.
  std::string Recover();
  // Lays the simulated machine over the folder: settings, registry and attributes.
  void Load();
  // From now on every file change is journaled; the registry is saved only by Commit.
  void BeginChanges();
  // Keeps the run's changes: the registry and attributes saved, the journal ended.
  void Commit();
  // Puts every file back as it was at BeginChanges; the registry files were never touched.
  void Undo();
  bool changing() const { return changing_; }

  // Makes a new machine folder: a copy of `sample` when given, else an empty machine.
  static void Create(const std::string& path, const std::string& sample);

 private:
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  void ApplyStaged();

  std::string path_;
  int lock_ = -1;
  MachineSettings settings_;
  std::map<std::string, std::string> loadedRegistry_;  // file name -> text as loaded
  std::string loadedAttributes_;
  std::uint64_t loadedGeneration_ = 0;
  bool changing_ = false;
};

}  // namespace bench
