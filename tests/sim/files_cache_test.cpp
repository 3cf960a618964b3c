// The simulated machine keeps each folder's names once read; whatever the machine itself
// changes, its answers must be the host's.
#include <fstream>
#include <functional>

#include "sim/files_tree.h"

namespace {

using files_tree::OnHost;
using files_tree::Text;
using files_tree::ThroughMachine;

class FolderCache : public kit::MachineTest {
 protected:
  std::string Host(const std::string& windowsPath) { return winsim::HostPath(windowsPath); }
  kit::ScratchFolder folder;
};

HANDLE Create(const std::string& path, DWORD disposition = CREATE_NEW) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, 0, nullptr);
}

TEST_F(FolderCache, EveryChangeOfTheMachineIsSeenAtOnce) {
  const std::string f = folder.path();
  const std::string package = f + "\\Pkg\\setup.msi";
  const std::string mapped = files_tree::MachineRoot() + "/mapped";
  std::filesystem::create_directories(mapped);
  winsim::MapDrive('D', mapped);
  struct Step {
    const char* name;
    std::function<bool()> run;
  } steps[] = {
      {"create a file", [&] { return CloseHandle(Create(f + "\\New.txt")); }},
      {"truncate it", [&] { return CloseHandle(Create(f + "\\new.TXT", CREATE_ALWAYS)); }},
      {"create folders",
       [&] {
         return CreateDirectoryA((f + "\\Sub").c_str(), nullptr) &&
                CreateDirectoryA((f + "\\sub\\Deep").c_str(), nullptr);
       }},
      {"a file in the new folder", [&] { return CloseHandle(Create(f + "\\SUB\\deep\\x.txt")); }},
      {"rename in place",
       [&] { return MoveFileA((f + "\\new.txt").c_str(), (f + "\\Renamed.txt").c_str()); }},
      {"change only the case",
       [&] { return MoveFileA((f + "\\renamed.txt").c_str(), (f + "\\RENAMED.txt").c_str()); }},
      {"move into a folder",
       [&] { return MoveFileA((f + "\\Renamed.txt").c_str(), (f + "\\Sub\\r.txt").c_str()); }},
      {"move a folder",
       [&] { return MoveFileA((f + "\\Sub\\Deep").c_str(), (f + "\\Deep2").c_str()); }},
      {"a file in the moved folder", [&] { return CloseHandle(Create(f + "\\deep2\\y.txt")); }},
      {"replace a file",
       [&] {
         return MoveFileExA((f + "\\Deep2\\x.txt").c_str(), (f + "\\deep2\\Y.TXT").c_str(),
                            MOVEFILE_REPLACE_EXISTING);
       }},
      {"move to another drive",
       [&] { return MoveFileA((f + "\\Sub\\r.txt").c_str(), "D:\\r.txt"); }},
      {"and back", [&] { return MoveFileA("D:\\R.TXT", (f + "\\back.txt").c_str()); }},
      {"delete", [&] { return DeleteFileA((f + "\\BACK.txt").c_str()); }},
      {"remove a folder", [&] { return RemoveDirectoryA((f + "\\Sub").c_str()); }},
      {"the installer writes a package",
       [&] {
         kit::MakeFolder(f + "\\Pkg");
         kit::WritePackage(package, {kit::PropertyTable({{"ProductName", "Cache"}})});
         return true;
       }},
      {"and commits a change to it",
       [&] {
         MSIHANDLE database = 0;
         if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_TRANSACT, &database) != ERROR_SUCCESS)
           return false;
         bool committed = MsiDatabaseCommit(database) == ERROR_SUCCESS;
         MsiCloseHandle(database);
         return committed;
       }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_TRUE(step.run()) << "error " << GetLastError();
    EXPECT_EQ(Text(ThroughMachine(f)), Text(OnHost(Host(f))));
    EXPECT_EQ(Text(ThroughMachine("D:\\")), Text(OnHost(winsim::DriveFolder('D'))));
  }
  EXPECT_NE(GetFileAttributesA(package.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FolderCache, AChangeBesideTheMachineIsSeenByTheNextProcess) {
  kit::WriteFile(folder / "known.txt", "k");
  EXPECT_EQ(GetFileAttributesA((folder / "other.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  std::ofstream(Host(folder.path()) + "/Other.txt") << "o";
  std::filesystem::remove(Host(folder / "known.txt"));

  // A new process reads the folder anew; Reset stands for it.
  winsim::Reset(files_tree::MachineRoot());
  EXPECT_EQ(kit::ReadFile(folder / "OTHER.TXT"), "o");
  EXPECT_EQ(GetFileAttributesA((folder / "known.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FolderCache, FindListsInUpperCaseOrderAndLooksUpAPlainName) {
  for (const char* name : {"b.txt", "A.txt", "_x", "C.TXT", "a.dat"})
    kit::WriteFile(folder / name, "x");
  kit::MakeFolder(folder / "Folder");
  std::string order;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder / "*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do order += std::string(found.cFileName) + " ";
  while (FindNextFileA(find, &found));
  FindClose(find);
  EXPECT_EQ(order, ". .. a.dat A.txt b.txt C.TXT Folder _x ");

  find = FindFirstFileA((folder / "*.TXT").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  order.clear();
  do order += std::string(found.cFileName) + " ";
  while (FindNextFileA(find, &found));
  FindClose(find);
  EXPECT_EQ(order, "A.txt b.txt C.TXT ");

  // A plain name with trailing dots finds the name without them, as a search always has.
  find = FindFirstFileA((folder / "c.txt.").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "C.TXT");
  FindClose(find);
  find = FindFirstFileA((folder / "folder").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(found.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
  FindClose(find);
}

TEST_F(FolderCache, AMappedDriveLiesOverItsOwnFolderUntilTheNextReset) {
  const std::string mapped = files_tree::MachineRoot() + "/mapped";
  std::filesystem::create_directories(mapped);
  winsim::MapDrive('P', mapped);
  EXPECT_EQ(winsim::DriveFolder('P'), mapped);
  EXPECT_EQ(winsim::HostPath("p:\\Pkg\\a.msi"), mapped + "/Pkg/a.msi");
  kit::MakeFolder("P:\\Pkg");
  kit::WriteFile("P:\\Pkg\\a.txt", "on p");
  EXPECT_EQ(files_tree::Read(mapped + "/Pkg/a.txt"), "on p");

  winsim::Reset();
  EXPECT_EQ(winsim::DriveFolder('P'), files_tree::MachineRoot() + "/drive_p");
  EXPECT_EQ(GetFileAttributesA("P:\\Pkg"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
