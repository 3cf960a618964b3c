// The file work through the simulated machine's Win32 calls, on drive C:.
#include <cstring>

#include "file_work.h"
#include "speed.h"
#include "winsim/machine.h"

namespace speed {
namespace {

struct FileHandle {
  HANDLE value;
  ~FileHandle() {
    if (value != INVALID_HANDLE_VALUE) CloseHandle(value);
  }
};

struct FindHandle {
  HANDLE value;
  ~FindHandle() {
    if (value != INVALID_HANDLE_VALUE) FindClose(value);
  }
};

std::string Failure(const char* call, const std::string& path) {
  return std::string(call) + " " + path + ": error " + std::to_string(GetLastError());
}

bool IsDots(const char* name) { return !std::strcmp(name, ".") || !std::strcmp(name, ".."); }

class SimulatedFiles : public FileWork {
 public:
  explicit SimulatedFiles(const FileShape& shape)
      : shape_(shape), paths_(MakeFilePaths(shape, "C:", '\\')) {}

  std::string Clear() override {
    FreshMachine();
    epoch_ = MachineEpoch();
    return "";
  }
  bool Intact() const override { return epoch_ == MachineEpoch(); }

  std::string Create() override {
    if (!CreateDirectoryA(paths_.top.c_str(), nullptr))
      return Failure("CreateDirectoryA", paths_.top);
    for (const std::string& folder : paths_.folders)
      if (!CreateDirectoryA(folder.c_str(), nullptr)) return Failure("CreateDirectoryA", folder);
    for (const std::string& file : paths_.files) {
      FileHandle handle{CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)};
      if (handle.value == INVALID_HANDLE_VALUE) return Failure("CreateFileA", file);
    }
    return "";
  }

  std::string Attributes() override {
    for (const std::string& file : paths_.files) {
      DWORD attributes = GetFileAttributesA(file.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure("GetFileAttributesA", file);
    }
    return "";
  }

  std::string Open() override {
    for (const std::string& file : paths_.files) {
      FileHandle handle{CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
      if (handle.value == INVALID_HANDLE_VALUE) return Failure("CreateFileA", file);
    }
    return "";
  }

  std::string Walk() override {
    long files = 0;
    std::string error = WalkFolder(paths_.top, files);
    if (error.empty() && files != shape_.Total())
      error = "the find walk saw " + std::to_string(files) + " of " +
              std::to_string(shape_.Total()) + " files";
    return error;
  }

  std::string Move() override {
    for (std::size_t i = 0; i < paths_.files.size(); ++i)
      if (!MoveFileA(paths_.files[i].c_str(), paths_.moved[i].c_str()))
        return Failure("MoveFileA", paths_.files[i]);
    return "";
  }

  std::string Delete() override {
    for (const std::string& file : paths_.moved)
      if (!DeleteFileA(file.c_str())) return Failure("DeleteFileA", file);
    return "";
  }

 private:
  static std::string WalkFolder(const std::string& folder, long& files) {
    std::vector<std::string> subfolders;
    {
      WIN32_FIND_DATAA data;
      FindHandle find{FindFirstFileA((folder + "\\*").c_str(), &data)};
      if (find.value == INVALID_HANDLE_VALUE) return Failure("FindFirstFileA", folder);
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          ++files;
        else if (!IsDots(data.cFileName))
          subfolders.push_back(folder + "\\" + data.cFileName);
      } while (FindNextFileA(find.value, &data));
      if (GetLastError() != ERROR_NO_MORE_FILES) return Failure("FindNextFileA", folder);
    }
    for (const std::string& subfolder : subfolders) {
      std::string error = WalkFolder(subfolder, files);
      if (!error.empty()) return error;
    }
    return "";
  }

  FileShape shape_;
  FilePaths paths_;
  unsigned epoch_ = ~0u;
};

}  // namespace

std::unique_ptr<FileWork> SimulatedFileWork(const FileShape& shape) {
  return std::make_unique<SimulatedFiles>(shape);
}

}  // namespace speed
