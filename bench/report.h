// What one custom action did, as the bench reports it: for a person (text) and for a
// program (JSON).
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "winsim/machine.h"

namespace bench {

struct PropertyChange {
  std::string name;
  bool wasSet = false, isSet = false;
  std::string oldValue, newValue;
};

struct FileReport {
  std::string kind;  // created, changed, deleted, moved, folder created, folder removed,
                     // attributes
  std::string path, from;
  std::uintmax_t oldSize = 0, newSize = 0;
  bool text = false;
  std::string diff;  // unified diff of a text file's lines, with its header
  DWORD oldAttributes = 0, newAttributes = 0;
};

struct MessageBoxReport {
  std::string caption, text;
  UINT style = 0;
  int answer = 0;
};

struct ActionReport {
  std::string action;
  UINT result = 0;
  std::vector<PropertyChange> properties;
  std::vector<winsim::RegistryChange> registry;
  std::string registryText;  // the registry changes in REGEDIT4 form
  std::vector<FileReport> files;
  std::vector<MessageBoxReport> messageBoxes;
  std::vector<std::string> output;  // standard output lines
};

std::string ResultMeaning(UINT result);
std::string StyleText(UINT style);            // "MB_YESNO | MB_TOPMOST"
std::string AnswerText(int answer);           // "IDYES"
std::string AttributeText(DWORD attributes);  // "RHSA" letters, "-" for none

// The report of one action as text for a person, in UTF-8.
std::string HumanReport(const ActionReport& report);
// The same in the machine's code page.
std::string HumanReportText(const ActionReport& report);
nlohmann::json JsonReport(const ActionReport& report);

}  // namespace bench
