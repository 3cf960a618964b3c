// Moves that need a second drive or a folder in use, which only the simulated machine can
// set up: drive D lies over a folder of its own.
#include <filesystem>

#include "sim/files_tree.h"

namespace {

class Moves : public kit::MachineTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(files_tree::MachineRoot() + "/other");
    winsim::MapDrive('D', files_tree::MachineRoot() + "/other");
    kit::WriteFile(folder / "a.txt", "alpha");
    kit::MakeFolder(folder / "Sub");
    kit::WriteFile(folder / "Sub\\s.txt", "sub");
    kit::WriteFile("D:\\taken.txt", "taken");
  }
  static DWORD MoveError(const std::string& from, const std::string& to, DWORD flags) {
    SetLastError(0);
    return MoveFileExA(from.c_str(), to.c_str(), flags) ? 0 : GetLastError();
  }
  kit::ScratchFolder folder;
};

TEST_F(Moves, AFileCrossesDrivesOnlyWhenCopyingIsAllowed) {
  EXPECT_EQ(MoveError(folder / "a.txt", "D:\\a.txt", 0), DWORD(ERROR_NOT_SAME_DEVICE));
  EXPECT_EQ(MoveError(folder / "a.txt", "D:\\taken.txt", MOVEFILE_COPY_ALLOWED),
            DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "alpha");

  SetFileAttributesA((folder / "a.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(MoveFileA((folder / "a.txt").c_str(), "D:\\a.txt"));  // MoveFile allows the copy
  EXPECT_FALSE(kit::FileExists(folder / "a.txt"));
  EXPECT_EQ(kit::ReadFile("D:\\a.txt"), "alpha");
  EXPECT_EQ(GetFileAttributesA("D:\\a.txt"), DWORD(FILE_ATTRIBUTE_HIDDEN));

  EXPECT_EQ(MoveError("D:\\a.txt", "C:\\..\\" + folder.path().substr(3) + "\\b.txt",
                      MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH),
            0u);
  EXPECT_EQ(MoveError(folder / "b.txt", "D:\\taken.txt",
                      MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING),
            0u);
  EXPECT_EQ(kit::ReadFile("D:\\taken.txt"), "alpha");
  EXPECT_FALSE(kit::FileExists(folder / "b.txt"));
}

TEST_F(Moves, FoldersNeverCrossDrives) {
  EXPECT_EQ(MoveError(folder / "Sub", "D:\\Sub", MOVEFILE_COPY_ALLOWED),
            DWORD(ERROR_NOT_SAME_DEVICE));
  EXPECT_EQ(kit::ReadFile(folder / "Sub\\s.txt"), "sub");
  EXPECT_EQ(GetFileAttributesA("D:\\Sub"), INVALID_FILE_ATTRIBUTES);
}

// The documentation of MoveFileEx: a file copied to another drive whose original cannot
// be deleted is moved all the same, the original left in place.
TEST_F(Moves, AReadOnlyFileCopiedToAnotherDriveStaysWhereItWas) {
  SetFileAttributesA((folder / "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(MoveFileA((folder / "a.txt").c_str(), "D:\\a.txt"));
  EXPECT_EQ(kit::ReadFile("D:\\a.txt"), "alpha");
  EXPECT_EQ(GetFileAttributesA("D:\\a.txt"), DWORD(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "alpha");
  SetFileAttributesA("D:\\a.txt", FILE_ATTRIBUTE_NORMAL);
}

// The process holds its current folder open: that folder does not move, nor one above
// it, nor a folder with a file open inside.
TEST_F(Moves, AFolderInUseStaysWhereItIs) {
  ASSERT_TRUE(SetCurrentDirectoryA((folder / "Sub").c_str()));
  EXPECT_EQ(MoveError(folder / "Sub", folder / "Moved", 0), DWORD(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(MoveError(folder.path(), "C:\\elsewhere", 0), DWORD(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));

  HANDLE open =
      CreateFileA((folder / "Sub\\s.txt").c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_EQ(MoveError(folder / "Sub", folder / "Moved", 0), DWORD(ERROR_ACCESS_DENIED));
  CloseHandle(open);
  EXPECT_EQ(MoveError(folder / "Sub", folder / "Moved", 0), 0u);
  EXPECT_EQ(kit::ReadFile(folder / "Moved\\s.txt"), "sub");
}

TEST_F(Moves, ARootMovesNowhere) {
  EXPECT_EQ(MoveError("C:\\", "C:\\x", 0), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(MoveError(folder / "a.txt", "C:\\", MOVEFILE_REPLACE_EXISTING),
            DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(MoveError(folder / "a.txt", "Q:\\a.txt", MOVEFILE_COPY_ALLOWED),
            DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "alpha");
}

}  // namespace
