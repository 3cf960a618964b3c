// What a folder holds, read two ways: from the host directly and through the machine's
// own calls, so that tests can hold the simulated files against the host.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "kit/kit.h"

namespace files_tree {

// Relative path (backslashes) -> "folder" or "file <bytes>".
using Tree = std::map<std::string, std::string>;

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The host folder's tree, with each file's bytes.
inline Tree OnHost(const std::string& hostFolder) {
  Tree tree;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(hostFolder, ec);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    std::string relative = std::filesystem::relative(it->path(), hostFolder).string();
    for (char& c : relative)
      if (c == '/') c = '\\';
    tree[relative] = it->is_directory() ? "folder" : "file " + Read(it->path());
  }
  return tree;
}

// The same through FindFirstFileA and CreateFileA.
inline void Walk(const std::string& folder, const std::string& prefix, Tree& tree) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[prefix + name] = "folder";
      Walk(folder + "\\" + name, prefix + name + "\\", tree);
    } else {
      tree[prefix + name] = "file " + kit::ReadFile(folder + "\\" + name);
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

inline Tree ThroughMachine(const std::string& windowsFolder) {
  Tree tree;
  Walk(windowsFolder, "", tree);
  return tree;
}

inline std::string Text(const Tree& tree) {
  std::string text;
  for (const auto& entry : tree) text += entry.first + ": " + entry.second + "\n";
  return text;
}

// The folder that holds the machine's drive folders.
inline std::string MachineRoot() {
  std::string drive = winsim::DriveFolder('C');
  return drive.substr(0, drive.rfind('/'));
}

}  // namespace files_tree
