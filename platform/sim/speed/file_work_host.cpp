// The same file work done directly on a host folder: the cost the machine is held to.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "file_work.h"

namespace speed {
namespace {

struct Descriptor {
  int value;
  ~Descriptor() {
    if (value >= 0) close(value);
  }
};

struct Folder {
  DIR* value;
  ~Folder() {
    if (value) closedir(value);
  }
};

std::string Failure(const char* call, const std::string& path) {
  return std::string(call) + " " + path + ": " + std::strerror(errno);
}

class HostFiles : public FileWork {
 public:
  HostFiles(const FileShape& shape, const std::string& hostFolder)
      : shape_(shape), paths_(MakeFilePaths(shape, hostFolder, '/')) {}

  std::string Clear() override {
    std::error_code error;
    std::filesystem::remove_all(paths_.top, error);
    return error ? "removing " + paths_.top + ": " + error.message() : "";
  }

  std::string Create() override {
    if (mkdir(paths_.top.c_str(), 0755) != 0) return Failure("mkdir", paths_.top);
    for (const std::string& folder : paths_.folders)
      if (mkdir(folder.c_str(), 0755) != 0) return Failure("mkdir", folder);
    for (const std::string& file : paths_.files) {
      Descriptor fd{open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
      if (fd.value < 0) return Failure("open", file);
    }
    return "";
  }

  std::string Attributes() override {
    struct stat st;
    for (const std::string& file : paths_.files)
      if (stat(file.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return Failure("stat", file);
    return "";
  }

  std::string Open() override {
    for (const std::string& file : paths_.files) {
      Descriptor fd{open(file.c_str(), O_RDONLY | O_CLOEXEC)};
      if (fd.value < 0) return Failure("open", file);
    }
    return "";
  }

  std::string Walk() override {
    long files = 0;
    std::string error = WalkFolder(paths_.top, files);
    if (error.empty() && files != shape_.Total())
      error = "the walk saw " + std::to_string(files) + " of " + std::to_string(shape_.Total()) +
              " files";
    return error;
  }

  std::string Move() override {
    for (std::size_t i = 0; i < paths_.files.size(); ++i)
      if (rename(paths_.files[i].c_str(), paths_.moved[i].c_str()) != 0)
        return Failure("rename", paths_.files[i]);
    return "";
  }

  std::string Delete() override {
    for (const std::string& file : paths_.moved)
      if (unlink(file.c_str()) != 0) return Failure("unlink", file);
    return "";
  }

 private:
  static std::string WalkFolder(const std::string& folder, long& files) {
    std::vector<std::string> subfolders;
    {
      Folder dir{opendir(folder.c_str())};
      if (!dir.value) return Failure("opendir", folder);
      struct stat st;
      while (dirent* entry = readdir(dir.value)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        std::string path = folder + "/" + entry->d_name;
        if (stat(path.c_str(), &st) != 0) return Failure("stat", path);
        if (S_ISDIR(st.st_mode))
          subfolders.push_back(path);
        else
          ++files;
      }
    }
    for (const std::string& subfolder : subfolders) {
      std::string error = WalkFolder(subfolder, files);
      if (!error.empty()) return error;
    }
    return "";
  }

  FileShape shape_;
  FilePaths paths_;
};

}  // namespace

std::unique_ptr<FileWork> HostFileWork(const FileShape& shape, const std::string& hostFolder) {
  return std::make_unique<HostFiles>(shape, hostFolder);
}

}  // namespace speed
