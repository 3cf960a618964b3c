// Turning Windows paths into full paths and host paths.
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <vector>

#include "files/file_system.h"
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

std::vector<std::string> SplitParts(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '\\') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

bool IsDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string FullWindowsPath(const std::string& input) {
  std::string path = input;
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.empty() || path.rfind("\\\\", 0) == 0) return "";  // no network paths here

  const std::string& current = TheFileSystem().currentFolder;
  std::string drive;
  std::string rest;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    drive =
        std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])))) + ":";
    rest = path.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      // Drive-relative: against the current folder when it is on that drive.
      std::string base = EqualNoCase(current.substr(0, 2), drive) ? current.substr(2) : "\\";
      rest = base + "\\" + rest;
    }
  } else if (path[0] == '\\') {
    drive = current.substr(0, 2);
    rest = path;
  } else {
    drive = current.substr(0, 2);
    rest = current.substr(2) + "\\" + path;
  }

  std::vector<std::string> kept;
  for (const std::string& part : SplitParts(rest)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string full = drive;
  for (const std::string& part : kept) full += "\\" + part;
  if (kept.empty()) full += "\\";
  return full;
}

std::string MapFullPath(const std::string& fullPath) {
  const FileSystem& fs = TheFileSystem();
  if (fullPath.size() < 3) return "";
  std::string host = fs.hostRoot + "/drive_" +
                     static_cast<char>(std::tolower(static_cast<unsigned char>(fullPath[0])));
  bool exists = HostIsDirectory(host);
  for (const std::string& part : SplitParts(fullPath.substr(3))) {
    if (part.empty()) continue;
    std::string name = part;
    if (exists) {
      exists = false;
      if (DIR* dir = opendir(host.c_str())) {
        while (dirent* entry = readdir(dir)) {
          if (EqualNoCase(entry->d_name, part)) {
            name = entry->d_name;
            exists = true;
            break;
          }
        }
        closedir(dir);
      }
    }
    host += "/" + name;
  }
  return host;
}

bool HostIsDirectory(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostExists(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0;
}

DWORD MissingError(const std::string& hostPath, DWORD whenParentExists) {
  std::string parent = hostPath.substr(0, hostPath.find_last_of('/'));
  DWORD code = HostIsDirectory(parent) ? whenParentExists : ERROR_PATH_NOT_FOUND;
  SetLastError(code);
  return code;
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
  ForgetFindsAndAttributes();
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
  files.currentFolder = "C:\\";
}

}  // namespace winsim::detail

namespace winsim {

std::string DriveFolder(char driveLetter) {
  return detail::TheFileSystem().hostRoot + "/drive_" +
         static_cast<char>(std::tolower(static_cast<unsigned char>(driveLetter)));
}

std::string HostPath(const std::string& windowsPath) {
  std::string full = detail::FullWindowsPath(windowsPath);
  return full.empty() ? "" : detail::MapFullPath(full);
}

}  // namespace winsim
