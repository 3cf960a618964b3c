#include "session_runner.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <filesystem>
#include <set>

#include "bench_error.h"
#include "host_files.h"
#include "stdout_capture.h"
#include "text_diff.h"
#include "text_util.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

typedef UINT(__stdcall* CustomAction)(MSIHANDLE);

// The custom-action libraries built beside the bench.
std::string KnownLibraries() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::set<std::string> names;
  if (n > 0) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(
             fs::path(std::string(self, static_cast<std::size_t>(n))).parent_path(), error)) {
      std::string name = entry.path().filename().string();
      if (name.size() > 3 && name.substr(name.size() - 3) == ".so" && name.rfind("lib", 0) != 0)
        names.insert(name.substr(0, name.size() - 3));
    }
  }
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

std::vector<PropertyChange> PropertyChanges(const std::map<std::string, std::string>& before,
                                            const std::map<std::string, std::string>& after) {
  std::vector<PropertyChange> changes;
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      changes.push_back({b->first, true, false, b->second, ""});
      ++b;
    } else if (b == before.end() || a->first < b->first) {
      changes.push_back({a->first, false, true, "", a->second});
      ++a;
    } else {
      if (a->second != b->second) changes.push_back({a->first, true, true, b->second, a->second});
      ++a, ++b;
    }
  }
  return changes;
}

std::string HostContent(const std::string& hostPath) {
  std::string content;
  if (!hostPath.empty()) ReadHostFile(hostPath, content);
  return content;
}

std::string DiffOf(const std::string& before, const std::string& after, const std::string& path) {
  std::string body = UnifiedDiff(SplitLines(before), SplitLines(after));
  if (body.empty()) return "";
  return "--- " + (before.empty() ? std::string("(none)") : path + " (before)") + "\n+++ " + path +
         " (after)\n" + body;
}

std::vector<FileReport> FileReports() {
  std::vector<FileReport> reports;
  for (const winsim::FileChange& change : winsim::FileJournalChanges()) {
    FileReport report;
    report.path = change.path;
    report.from = change.from;
    const std::string before = HostContent(change.originalHost);
    const std::string after = change.kind == winsim::FileChange::Kind::Deleted
                                  ? ""
                                  : HostContent(winsim::HostPath(change.path));
    report.oldSize = before.size();
    report.newSize = after.size();
    report.text = LooksLikeText(before) && LooksLikeText(after);
    switch (change.kind) {
      case winsim::FileChange::Kind::Created:
        report.kind = "created";
        if (report.text) report.diff = DiffOf("", after, change.path);
        break;
      case winsim::FileChange::Kind::Changed:
        if (before == after) continue;  // written with the same bytes
        report.kind = "changed";
        if (report.text) report.diff = DiffOf(before, after, change.path);
        break;
      case winsim::FileChange::Kind::Deleted:
        report.kind = "deleted";
        break;
      case winsim::FileChange::Kind::Moved:
        report.kind = "moved";
        break;
      case winsim::FileChange::Kind::FolderCreated:
        report.kind = "folder created";
        break;
      case winsim::FileChange::Kind::FolderRemoved:
        report.kind = "folder removed";
        break;
      case winsim::FileChange::Kind::Attributes:
        report.kind = "attributes";
        report.oldAttributes = change.oldAttributes;
        report.newAttributes = change.newAttributes;
        break;
    }
    reports.push_back(report);
  }
  return reports;
}

}  // namespace

int ParseAnswer(const std::string& text) {
  static const char* const names[] = {"ok", "cancel", "abort", "retry", "ignore", "yes", "no"};
  for (int i = 0; i < 7; ++i)
    if (Lower(text) == names[i] || Lower(text) == std::string("id") + names[i]) return i + 1;
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '7') return text[0] - '0';
  throw BenchError("message box answer '" + text +
                   "' is not one of ok, cancel, yes, no, abort, retry, ignore");
}

SessionRunner::SessionRunner(const std::string& packagePath, const std::string& library) {
  UINT opened = MsiOpenPackageA(packagePath.c_str(), &session_.handle);
  if (opened != ERROR_SUCCESS)
    throw BenchError("the package cannot be opened as a Windows Installer package (error " +
                     std::to_string(opened) + ")");
  libraryName_ = library;
  std::string file = library;
  if (Lower(file).size() < 4 || Lower(file).substr(file.size() - 4) != ".dll")
    file += ".dll";
  else
    libraryName_ = library.substr(0, library.size() - 4);
  if (library.find_first_of("/\\") != std::string::npos ||
      (library_.handle = LoadLibraryA(file.c_str())) == nullptr)
    throw BenchError("unknown library '" + library + "' (built here: " + KnownLibraries() + ")");
}

void SessionRunner::RequireExport(const std::string& action) const {
  if (GetProcAddress(library_.handle, action.c_str()) == nullptr)
    throw BenchError(libraryName_ + " has no export '" + action + "'");
}

void SessionRunner::SetProperty(const std::string& name, const std::string& value) {
  if (MsiSetPropertyA(session_.handle, name.c_str(), value.c_str()) != ERROR_SUCCESS)
    throw BenchError("cannot set property '" + name + "'");
}

std::string SessionRunner::Property(const std::string& name) const {
  auto properties = winsim::SessionProperties(session_.handle);
  auto found = properties.find(name);
  return found == properties.end() ? "" : found->second;
}

std::string SessionRunner::Format(const std::string& text) const {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t open = text.find('[', at), close = std::string::npos;
    if (open != std::string::npos) close = text.find(']', open);
    if (close == std::string::npos) {
      out += text.substr(at);
      break;
    }
    out += text.substr(at, open - at) + Property(text.substr(open + 1, close - open - 1));
    at = close + 1;
  }
  return out;
}

void SessionRunner::Cost() {
  for (const char* action : {"CostInitialize", "FileCost", "CostFinalize"}) {
    UINT result = MsiDoActionA(session_.handle, action);
    if (result != ERROR_SUCCESS)
      throw BenchError(std::string("the package cannot be costed: ") + action + " gave " +
                       std::to_string(result) + " (is its Directory table sound?)");
  }
}

void SessionRunner::RequestComponentState(const std::string& component, const std::string& state) {
  INSTALLSTATE requested = Lower(state) == "local"    ? INSTALLSTATE_LOCAL
                           : Lower(state) == "absent" ? INSTALLSTATE_ABSENT
                           : Lower(state) == "source" ? INSTALLSTATE_SOURCE
                                                      : INSTALLSTATE_UNKNOWN;
  if (requested == INSTALLSTATE_UNKNOWN)
    throw BenchError("component state '" + state + "' is not one of local, absent, source");
  if (MsiSetComponentStateA(session_.handle, component.c_str(), requested) != ERROR_SUCCESS)
    throw BenchError("the package has no component '" + component + "'");
}

ActionReport SessionRunner::Run(const std::string& action) {
  auto function = reinterpret_cast<CustomAction>(
      reinterpret_cast<void*>(GetProcAddress(library_.handle, action.c_str())));
  if (function == nullptr) throw BenchError(libraryName_ + " has no export '" + action + "'");
  ActionReport report;
  report.action = action;
  const auto propertiesBefore = winsim::SessionProperties(session_.handle);
  const winsim::RegistrySnapshot registryBefore = winsim::SnapshotRegistry();
  const std::size_t boxesBefore = winsim::MessageBoxes().size();
  winsim::MarkFileJournal();
  {
    StdoutCapture capture;
    report.result = function(session_.handle);
    report.output = capture.Finish();
  }
  report.properties = PropertyChanges(propertiesBefore, winsim::SessionProperties(session_.handle));
  report.registry = winsim::RegistryChanges(registryBefore);
  report.registryText = winsim::RegistryChangesText(report.registry);
  report.files = FileReports();
  const auto& boxes = winsim::MessageBoxes();
  for (std::size_t i = boxesBefore; i < boxes.size(); ++i)
    report.messageBoxes.push_back(
        {boxes[i].caption, boxes[i].text, boxes[i].style, boxes[i].answer});
  return report;
}

}  // namespace bench
