#include "machine_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <vector>

#include "bench_error.h"
#include "host_files.h"
#include "text_util.h"
#include "winsim/machine.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

const char kJournal[] = ".cabench-journal";
const char kStaging[] = ".cabench-commit.tmp";
const char kStaged[] = ".cabench-commit";  // present: the run is committed, finish it
const char* const kRegistryFiles[][2] = {
    {"registry/HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE"},
    {"registry/HKEY_USERS.reg", "HKEY_USERS"},
};

}  // namespace

MachineSettings ParseSettings(const std::string& text, const std::string& source) {
  MachineSettings settings;
  std::string section;
  ForEachLine(text, source, [&](const std::string& line, const auto& fail) {
    if (line.empty() || line[0] == ';' || line[0] == '#') return;
    if (line[0] == '[') {
      if (line.back() != ']') fail("a section name must end with ']'");
      section = Lower(Trim(line.substr(1, line.size() - 2)));
      if (section != "machine" && section != "environment")
        fail("unknown section [" + line.substr(1, line.size() - 2) + "]");
      return;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) fail("expected NAME=VALUE");
    const std::string name = Trim(line.substr(0, equals)), value = Trim(line.substr(equals + 1));
    if (name.empty()) fail("a setting needs a name");
    if (section.empty()) fail("a setting before the first section");
    if (section == "environment") {
      settings.environment[name] = value;
    } else if (Lower(name) == "usersid") {
      if (value.rfind("S-1-", 0) != 0) fail("UserSID must be a SID such as S-1-5-21-...");
      settings.userSid = value;
    } else if (Lower(name) == "username") {
      settings.userName = value;
    } else if (Lower(name) == "codepage") {
      char* rest = nullptr;
      unsigned long page = std::strtoul(value.c_str(), &rest, 10);
      if (value.empty() || *rest != '\0' || page == 0 || page > 65535)
        fail("CodePage must be a number such as 1252");
      settings.codePage = static_cast<UINT>(page);
    } else {
      fail("unknown setting '" + name + "' (UserSID, UserName, CodePage)");
    }
  });
  return settings;
}

std::string SettingsText(const MachineSettings& settings) {
  std::string text =
      "[Machine]\r\nUserSID=" + settings.userSid + "\r\nUserName=" + settings.userName +
      "\r\nCodePage=" + std::to_string(settings.codePage) + "\r\n\r\n[Environment]\r\n";
  for (const auto& variable : settings.environment)
    text += variable.first + "=" + variable.second + "\r\n";
  return text;
}

namespace {
// The machine's folder as a full host path: the journal and the drives are found by it.
std::string FullPath(const std::string& path) {
  std::string full = fs::absolute(path).lexically_normal().string();
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  return full;
}
}  // namespace

MachineFolder::MachineFolder(const std::string& path) : path_(FullPath(path)) {
  std::error_code error;
  if (!fs::is_directory(path_, error)) throw BenchError("no machine folder at " + path_);
  const std::string what = path_ + " is not a machine folder: ";
  if (!fs::is_regular_file(File("machine.ini"), error))
    throw BenchError(what + "machine.ini is missing");
  if (!fs::is_directory(File("drive_c"), error)) throw BenchError(what + "drive_c is missing");
  for (const auto& file : kRegistryFiles)
    if (!fs::is_regular_file(File(file[0]), error))
      throw BenchError(what + file[0] + " is missing");
  for (const auto& entry : fs::directory_iterator(File("registry"), error)) {
    const std::string name = "registry/" + entry.path().filename().string();
    if (name != kRegistryFiles[0][0] && name != kRegistryFiles[1][0])
      throw BenchError(what + name +
                       " is not one of its registry files (bring a .reg file in "
                       "with 'cabench import')");
  }
  lock_ = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock_ < 0 || flock(lock_, LOCK_EX | LOCK_NB) != 0)
    throw BenchError("machine " + path_ + " is in use by another cabench");
  std::string text;
  if (!ReadHostFile(File("machine.ini"), text))
    throw BenchError("cannot read " + File("machine.ini"));
  settings_ = ParseSettings(text, "machine.ini");
}

MachineFolder::~MachineFolder() {
  // A run ended by an error of the bench itself: put the files back; should that fail,
  // the journal stays for the next command to undo.
  if (changing_) {
    std::string error;
    changing_ = false;
    winsim::UndoFileJournal(error);
  }
  if (lock_ >= 0) close(lock_);
}

void MachineFolder::ApplyStaged() {
  const fs::path staged = File(kStaged);
  std::error_code error;
  std::vector<fs::path> files;  // listed first: the folder is emptied as they move
  for (const auto& entry : fs::recursive_directory_iterator(staged, error))
    if (entry.is_regular_file()) files.push_back(entry.path());
  for (const fs::path& file : files) {
    fs::path target = fs::path(path_) / fs::relative(file, staged);
    fs::rename(file, target, error);
    if (error) throw BenchError("cannot put " + target.string() + " in place: " + error.message());
  }
  fs::remove_all(staged, error);
}

std::string MachineFolder::Recover() {
  std::error_code error;
  if (fs::exists(File(kStaged), error)) {
    // The run had reached its commit: its file changes stay, its registry goes in place.
    fs::remove_all(File(kJournal), error);
    ApplyStaged();
    return "finished saving a run that was interrupted while it saved";
  }
  fs::remove_all(File(kStaging), error);
  if (!fs::exists(File(kJournal), error)) return "";
  std::string why;
  if (!winsim::RecoverFileJournal(File(kJournal), why))
    throw BenchError("cannot undo the interrupted run in " + path_ + ": " + why);
  return "undid a run that was interrupted: the machine is as it was before it";
}

void MachineFolder::Load() {
  winsim::Reset(path_);
  winsim::SetCurrentUser(settings_.userSid, settings_.userName);
  winsim::SetEnvironment(settings_.environment);
  winsim::SetCodePage(settings_.codePage);
  for (const auto& file : kRegistryFiles) {
    std::string text, error;
    if (!ReadHostFile(File(file[0]), text)) throw BenchError("cannot read " + File(file[0]));
    if (!winsim::ImportRegistry(text, file[0], error)) throw BenchError(error);
    loadedRegistry_[file[0]] = text;
  }
  loadedAttributes_.clear();
  if (fs::exists(File("attributes.txt"))) {
    std::string error;
    if (!ReadHostFile(File("attributes.txt"), loadedAttributes_))
      throw BenchError("cannot read " + File("attributes.txt"));
    if (!winsim::ImportFileAttributes(loadedAttributes_, error))
      throw BenchError("attributes.txt:" + error);
  }
  loadedGeneration_ = winsim::RegistryGeneration();
}

void MachineFolder::BeginChanges() {
  std::string error;
  if (!winsim::BeginFileJournal(File(kJournal), error))
    throw BenchError("cannot start the run's journal: " + error);
  changing_ = true;
}

void MachineFolder::Commit() {
  std::map<std::string, std::string> staged;
  if (winsim::RegistryGeneration() != loadedGeneration_) {
    for (const auto& file : kRegistryFiles) {
      std::string text = winsim::ExportRegistry(file[1]);
      if (text != loadedRegistry_[file[0]]) staged[file[0]] = text;
    }
  }
  std::string attributes = winsim::ExportFileAttributes();
  if (attributes != loadedAttributes_) staged["attributes.txt"] = attributes;

  std::error_code error;
  if (!staged.empty()) {
    fs::remove_all(File(kStaging), error);
    fs::create_directories(File(std::string(kStaging) + "/registry"), error);
    for (const auto& file : staged)
      WriteHostFileAtomically(File(std::string(kStaging) + "/" + file.first), file.second);
    fs::rename(File(kStaging), File(kStaged), error);  // the point of no return
    if (error) throw BenchError("cannot save the run: " + error.message());
  }
  std::string why;
  changing_ = false;
  if (!winsim::EndFileJournal(why)) throw BenchError("cannot end the run's journal: " + why);
  if (!staged.empty()) ApplyStaged();
  for (const auto& file : staged)
    (file.first == "attributes.txt" ? loadedAttributes_ : loadedRegistry_[file.first]) =
        file.second;
  loadedGeneration_ = winsim::RegistryGeneration();
}

void MachineFolder::Undo() {
  changing_ = false;
  std::string error;
  if (!winsim::UndoFileJournal(error))
    throw BenchError("cannot undo the run: " + error + " (the next cabench command on " + path_ +
                     " tries again)");
}

void MachineFolder::Create(const std::string& path, const std::string& sample) {
  std::error_code error;
  if (fs::exists(path, error) && !fs::is_empty(path, error))
    throw BenchError(path + " already exists and is not empty");
  if (!sample.empty()) {
    fs::create_directories(path, error);
    fs::copy(sample, path, fs::copy_options::recursive, error);
    if (error) throw BenchError("cannot copy the sample machine: " + error.message());
    return;
  }
  MachineSettings settings;
  const std::string profile = "C:\\Users\\" + settings.userName;
  settings.environment = {
      {"ALLUSERSPROFILE", "C:\\ProgramData"},
      {"APPDATA", profile + "\\AppData\\Roaming"},
      {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
      {"COMPUTERNAME", "BENCH-PC"},
      {"HOMEDRIVE", "C:"},
      {"HOMEPATH", "\\Users\\" + settings.userName},
      {"LOCALAPPDATA", profile + "\\AppData\\Local"},
      {"Path", "C:\\Windows\\system32;C:\\Windows"},
      {"ProgramData", "C:\\ProgramData"},
      {"ProgramFiles", "C:\\Program Files"},
      {"SystemDrive", "C:"},
      {"SystemRoot", "C:\\Windows"},
      {"TEMP", profile + "\\AppData\\Local\\Temp"},
      {"TMP", profile + "\\AppData\\Local\\Temp"},
      {"USERNAME", settings.userName},
      {"USERPROFILE", profile},
      {"windir", "C:\\Windows"},
  };
  for (const char* folder : {"Windows/system32", "Program Files/Common Files", "ProgramData",
                             "Users/engineer/AppData/Roaming", "Users/engineer/AppData/Local/Temp"})
    fs::create_directories(path + "/drive_c/" + folder, error);
  fs::create_directories(path + "/registry", error);
  if (error) throw BenchError("cannot make " + path + ": " + error.message());
  WriteHostFileAtomically(path + "/machine.ini", SettingsText(settings));
  winsim::Reset(FullPath(path));
  winsim::SetCurrentUser(settings.userSid, settings.userName);
  for (const auto& file : kRegistryFiles)
    WriteHostFileAtomically(path + "/" + file[0], winsim::ExportRegistry(file[1]));
}

}  // namespace bench
