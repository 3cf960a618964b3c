// The file work measured, done once through the simulated machine's Win32 calls and once
// directly on the host, over the same shape of folders.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace speed {

struct FileShape {
  std::string top;    // the folder the files lie under, "flat" or "tree"
  int folders = 0;    // 0: the files lie in top itself; otherwise in that many subfolders
  int perFolder = 0;  // files per folder
  long Total() const { return static_cast<long>(folders ? folders : 1) * perFolder; }
};

// The paths of a shape under a root, with one side's separator.
struct FilePaths {
  std::string top;
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::vector<std::string> moved;  // each file's new name in its own folder
};
FilePaths MakeFilePaths(const FileShape& shape, const std::string& root, char separator);

// The steps, each over every file of the shape; "" or what went wrong.
class FileWork {
 public:
  virtual ~FileWork() = default;
  // Leaves nothing of the shape behind; untimed.
  virtual std::string Clear() = 0;
  // False when something else may have changed the files since this side last saw them.
  virtual bool Intact() const { return true; }

  virtual std::string Create() = 0;  // the folders, then each file, created new and closed
  virtual std::string Attributes() = 0;
  virtual std::string Open() = 0;    // each file opened for reading and closed
  virtual std::string Walk() = 0;    // every folder listed, with each entry's attributes
  virtual std::string Move() = 0;    // each file renamed within its folder
  virtual std::string Delete() = 0;  // each moved file
};

std::unique_ptr<FileWork> SimulatedFileWork(const FileShape& shape);
std::unique_ptr<FileWork> HostFileWork(const FileShape& shape, const std::string& hostFolder);

}  // namespace speed
