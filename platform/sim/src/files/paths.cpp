// Turning Windows paths into full paths and host paths; the drives and their folders.
#include <cctype>
#include <filesystem>
#include <string_view>
#include <vector>

#include "files/file_system.h"
#include "files/journal.h"
#include "winsim/machine.h"

namespace winsim::detail {

FileSystem& TheFileSystem() {
  static FileSystem fs;
  static bool laying = false;
  if (fs.hostRoot.empty() && !laying) {  // a machine used before any Reset gets a fresh one
    laying = true;
    ResetFiles("");
    laying = false;
  }
  return fs;
}

namespace {

bool IsDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

char UpperLetter(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Adds the parts of a backslash path to `kept`, "." and ".." resolved.
void Walk(std::string_view path, std::vector<std::string_view>& kept) {
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find('\\', pos);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
}

}  // namespace

std::string FullWindowsPath(const std::string& input) {
  std::string slashed;
  const std::string* source = &input;
  if (input.find('/') != std::string::npos) {
    slashed = input;
    for (char& c : slashed)
      if (c == '/') c = '\\';
    source = &slashed;
  }
  const std::string& path = *source;
  if (path.empty() || path.rfind("\\\\", 0) == 0) return "";  // no network paths here

  const std::string& current = TheFileSystem().currentFolder;
  char drive = current[0];
  std::string_view base;  // the folder a relative path starts from, after its drive
  std::string_view rest(path);
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    drive = UpperLetter(path[0]);
    rest.remove_prefix(2);
    // Drive-relative: against the current folder when it is on that drive.
    if ((rest.empty() || rest[0] != '\\') && UpperLetter(current[0]) == drive)
      base = std::string_view(current).substr(2);
  } else if (path[0] != '\\') {
    base = std::string_view(current).substr(2);
  }

  std::vector<std::string_view> kept;
  kept.reserve(16);
  Walk(base, kept);
  Walk(rest, kept);
  std::string full(1, drive);
  full += ':';
  for (std::string_view part : kept) {
    full += '\\';
    full.append(part.data(), part.size());
  }
  if (kept.empty()) full += '\\';
  return full;
}

std::string MapFullPath(const std::string& fullPath) { return Resolve(fullPath).host; }

bool ResolveArgument(LPCSTR path, Resolved& resolved, std::string* fullPath) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::string full = FullWindowsPath(path);
  if (full.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  resolved = Resolve(full);
  if (fullPath != nullptr) *fullPath = std::move(full);
  return true;
}

bool ResolveExisting(LPCSTR path, Resolved& resolved, std::string* fullPath) {
  if (!ResolveArgument(path, resolved, fullPath)) return false;
  if (resolved.Exists()) return true;
  MissingError(resolved);
  return false;
}

DWORD MissingError(const Resolved& resolved, DWORD whenParentExists) {
  DWORD code = resolved.state == PathState::NoFolder ? ERROR_PATH_NOT_FOUND : whenParentExists;
  SetLastError(code);
  return code;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  std::string p = Upper(pattern), n = Upper(name);
  std::size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && (p[pi] == '*' || p[pi] == '.')) ++pi;
  return pi == p.size();
}

void ResetFiles(const std::string& hostRoot) {
  namespace fs = std::filesystem;
  CloseAllFiles();
  ForgetFinds();
  AbandonFileJournal();
  FileSystem& files = TheFileSystem();
  static std::string processRoot;
  std::error_code ec;
  if (hostRoot.empty()) {
    if (processRoot.empty()) {
      char pattern[] = "/tmp/winsim-XXXXXX";
      if (mkdtemp(pattern)) processRoot = pattern;
      std::atexit([] {
        std::error_code ignored;
        fs::remove_all(processRoot, ignored);
      });
    }
    for (const auto& entry : fs::directory_iterator(processRoot, ec))
      fs::remove_all(entry.path(), ec);
    files.hostRoot = processRoot;
  } else {
    files.hostRoot = hostRoot;
  }
  fs::create_directories(files.hostRoot + "/drive_c", ec);
  ResetDrives(files.hostRoot);
  files.currentFolder = "C:\\";
}

}  // namespace winsim::detail

namespace winsim {

std::string DriveFolder(char driveLetter) {
  detail::TheFileSystem();
  return detail::DriveHost(driveLetter);
}

void MapDrive(char driveLetter, const std::string& hostFolder) {
  detail::TheFileSystem();
  detail::MapDriveFolder(driveLetter, hostFolder);
}

std::string HostPath(const std::string& windowsPath) {
  std::string full = detail::FullWindowsPath(windowsPath);
  return full.empty() ? "" : detail::MapFullPath(full);
}

}  // namespace winsim
