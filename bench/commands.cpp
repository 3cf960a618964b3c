#include "commands.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "bench_error.h"
#include "encoding.h"
#include "host_files.h"
#include "machine_folder.h"
#include "road.h"
#include "session_runner.h"
#include "winsim/machine.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

// The machine loaded for looking or for a registry change, with an interrupted run
// finished or undone first.
void Open(MachineFolder& machine) {
  std::string recovered = machine.Recover();
  if (!recovered.empty()) std::cout << "(" << recovered << ")\n";
  machine.Load();
}

// "HKLM\SOFTWARE\x" and the like as the registry's full path of the key.
std::string FullKeyPath(const std::string& key, const MachineSettings& settings) {
  std::string root = key.substr(0, key.find('\\'));
  std::string rest = root.size() < key.size() ? key.substr(root.size()) : "";
  std::string upper;
  for (char c : root) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "HKLM" || upper == "HKEY_LOCAL_MACHINE") return "HKEY_LOCAL_MACHINE" + rest;
  if (upper == "HKU" || upper == "HKEY_USERS") return "HKEY_USERS" + rest;
  if (upper == "HKCU" || upper == "HKEY_CURRENT_USER")
    return "HKEY_USERS\\" + settings.userSid + rest;
  if (upper == "HKCR" || upper == "HKEY_CLASSES_ROOT")
    return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes" + rest;
  throw BenchError("'" + key + "' does not start with a registry root (HKLM, HKCU, HKU, HKCR)");
}

std::string WithThousands(std::uintmax_t number) {
  std::string digits = std::to_string(number), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

void PrintFindEntry(const WIN32_FIND_DATAA& found) {
  char line[400];
  std::uintmax_t size =
      (static_cast<std::uintmax_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  std::snprintf(line, sizeof line, "%-6s %15s  %-4s  %s\n", folder ? "<DIR>" : "",
                folder ? "" : WithThousands(size).c_str(),
                AttributeText(found.dwFileAttributes & ~FILE_ATTRIBUTE_DIRECTORY).c_str(),
                ToUtf8(found.cFileName).c_str());
  std::cout << line;
}

nlohmann::json JsonRun(const RunResult& result, const std::string& machine, bool dryRun) {
  nlohmann::json sessions = nlohmann::json::array();
  for (const RunResult::Session& session : result.sessions) {
    nlohmann::json actions = nlohmann::json::array();
    for (const ActionReport& action : session.actions) actions.push_back(JsonReport(action));
    sessions.push_back({{"package", session.package.empty() ? nlohmann::json(nullptr)
                                                            : nlohmann::json(session.package)},
                        {"library", session.library},
                        {"actions", actions}});
  }
  return {
      {"machine", machine}, {"dryRun", dryRun}, {"saved", result.saved}, {"sessions", sessions}};
}

}  // namespace

std::string ExamplesFolder() { return CABENCH_EXAMPLES; }

int NewMachine(const std::string& path, bool sample, const std::vector<std::string>& imports) {
  MachineFolder::Create(path, sample ? ExamplesFolder() + "/sample-machine" : "");
  std::cout << "Made the machine " << path
            << (sample ? " as a copy of the sample machine\n" : " (an empty Windows machine)\n");
  return imports.empty() ? 0 : ImportRegFiles(path, imports);
}

int ImportRegFiles(const std::string& path, const std::vector<std::string>& files) {
  MachineFolder machine(path);
  Open(machine);
  std::vector<std::string> texts;
  for (const std::string& file : files) {
    std::string text;
    if (!ReadHostFile(file, text)) throw BenchError("cannot read " + file);
    texts.push_back(text);
  }
  winsim::RegistrySnapshot before = winsim::SnapshotRegistry();
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string error;
    if (!winsim::ImportRegistry(texts[i], files[i], error)) throw BenchError(error);
  }
  std::vector<winsim::RegistryChange> changes = winsim::RegistryChanges(before);
  machine.BeginChanges();
  machine.Commit();
  std::cout << "Imported into " << path << ":\n"
            << (changes.empty() ? "  (no changes)\n"
                                : ToUtf8(winsim::RegistryChangesText(changes)));
  return 0;
}

int ShowKey(const std::string& path, const std::string& key) {
  MachineFolder machine(path);
  Open(machine);
  std::string text = winsim::ExportRegistry(FullKeyPath(key, machine.settings()));
  if (text.empty()) throw BenchError("no key " + key + " on the machine " + path);
  std::cout << text;
  return 0;
}

int ShowFolder(const std::string& path, const std::string& folder) {
  MachineFolder machine(path);
  Open(machine);
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    throw BenchError("no file or folder " + folder + " on the machine " + path);
  std::string pattern = folder;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) pattern += (pattern.back() == '\\' ? "*" : "\\*");
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern.c_str(), &found);
  std::cout << " Folder of " << folder << "\n\n";
  std::size_t files = 0, folders = 0;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      PrintFindEntry(found);
      ++((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folders : files);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  std::cout << "  " << files << " file(s), " << folders << " folder(s)\n";
  return 0;
}

// Shows each action's report as it comes, and the whole run as JSON when asked.
static int ReportRun(const std::string& machine, const std::vector<SessionPlan>& sessions,
                     bool dryRun, const std::string& jsonFile) {
  const bool jsonOnly = jsonFile == "-";
  RunListener listener;
  listener.say = [&](const std::string& line) {
    if (!jsonOnly) std::cout << "\n> " << line << "\n";
  };
  listener.reported = [&](const ActionReport& report) {
    if (!jsonOnly) std::cout << HumanReport(report) << std::flush;
  };
  RunResult result = ExecutePlan(machine, sessions, dryRun, listener);
  nlohmann::json json = JsonRun(result, machine, dryRun);
  if (jsonOnly) {
    std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
  }
  if (!jsonFile.empty())
    WriteHostFileAtomically(
        jsonFile, json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  std::cout << (result.saved ? "\nSaved: the machine " + machine + " now holds these changes.\n"
                             : "\nDry run: the machine " + machine + " was left as it was.\n");
  return 0;
}

int RunActions(const RunOptions& options) {
  SessionPlan plan;
  plan.package = options.package;
  plan.library = options.library;
  for (const std::string& property : options.properties)
    plan.properties.push_back(SplitAssignment(property, "property"));
  for (const std::string& component : options.components) {
    auto assignment = SplitAssignment(component, "component");
    plan.steps.push_back({Step::Kind::Component, assignment.first, assignment.second});
  }
  for (const std::string& answer : options.answers) {
    ParseAnswer(answer);
    plan.steps.push_back({Step::Kind::Answer, "", answer});
  }
  for (const std::string& action : options.actions)
    plan.steps.push_back({Step::Kind::Action, action, ""});

  return ReportRun(options.machine, {plan}, options.dryRun, options.json);
}

int RunRoad(const std::string& machine, const std::string& file, bool dryRun,
            const std::string& json) {
  std::string text;
  if (!ReadHostFile(file, text)) throw BenchError("cannot read the road " + file);
  Road road = ParseRoad(text, file, fs::absolute(file).parent_path().string());
  if (json != "-" && !road.title.empty()) std::cout << "# " << road.title << "\n";
  return ReportRun(machine, road.sessions, dryRun, json);
}

int RunDemo(const std::string& given) {
  std::string machine = given;
  if (machine.empty()) {
    char pattern[] = "/tmp/cabench-demo-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw BenchError("cannot make a folder for the demo machine");
    machine = std::string(pattern) + "/machine";
  }
  NewMachine(machine, true, {});
  std::cout << "\nEvery step below is a custom action of the built libraries, called as Windows\n"
               "Installer calls it, on the simulated machine in "
            << machine << ".\nEach report lists what the action changed.\n";
  for (const char* name : {"install.road", "companion.road", "removal.road"}) {
    const std::string file = ExamplesFolder() + "/roads/" + name;
    std::string text;
    if (!ReadHostFile(file, text)) continue;
    Road road = ParseRoad(text, std::string("roads/") + name, ExamplesFolder() + "/roads");
    std::cout << "\n################ " << (road.title.empty() ? name : road.title)
              << " ################\n";
    RunListener listener;
    listener.say = [](const std::string& line) { std::cout << "\n> " << line << "\n"; };
    listener.reported = [](const ActionReport& report) {
      std::cout << HumanReport(report) << std::flush;
    };
    ExecutePlan(machine, road.sessions, false, listener);
  }
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::cout << "\nThe demo machine stays in " << machine << ": look at it with\n"
            << "  " << self << " reg " << machine << " \"HKCU\\Software\\Quorvel\"\n"
            << "  " << self << " dir " << machine
            << " \"C:\\Program Files\\Quorvel\\Nolva Desktop\"\n";
  return 0;
}

}  // namespace bench
