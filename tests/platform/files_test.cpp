// The file calls as the product relies on them, moves above all; run on the simulated
// machine and under Wine alike, so the simulation is checked against the real thing.
#include <string>

#include "kit/kit.h"

namespace {

class Files : public kit::MachineTest {
 protected:
  void SetUp() override {
    kit::WriteFile(folder / "a.txt", "alpha");
    kit::WriteFile(folder / "b.txt", "beta");
    kit::MakeFolder(folder / "Sub\\Deep");
    kit::WriteFile(folder / "Sub\\Deep\\d.txt", "delta");
  }
  // The error a move fails with; 0 when it succeeds.
  static DWORD MoveError(const std::string& from, const std::string& to, DWORD flags) {
    SetLastError(0);
    return MoveFileExA(from.c_str(), to.c_str(), flags) ? 0 : GetLastError();
  }
  // The name a search finds for a path, as the folder spells it.
  static std::string NameOnDisk(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(path.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return "";
    FindClose(find);
    return found.cFileName;
  }
  kit::ScratchFolder folder;
};

TEST_F(Files, MovesRenameWithinAFolderAndIntoAnother) {
  ASSERT_TRUE(MoveFileA((folder / "a.txt").c_str(), (folder / "renamed.txt").c_str()));
  EXPECT_FALSE(kit::FileExists(folder / "a.txt"));
  EXPECT_EQ(kit::ReadFile(folder / "renamed.txt"), "alpha");

  ASSERT_TRUE(
      MoveFileExA((folder / "RENAMED.TXT").c_str(), (folder / "Sub\\moved.txt").c_str(), 0));
  EXPECT_FALSE(kit::FileExists(folder / "renamed.txt"));
  EXPECT_EQ(kit::ReadFile(folder / "sub\\moved.txt"), "alpha");

  // Onto itself: nothing to do.
  EXPECT_TRUE(MoveFileA((folder / "Sub\\moved.txt").c_str(), (folder / "Sub\\moved.txt").c_str()));
  EXPECT_EQ(kit::ReadFile(folder / "Sub\\moved.txt"), "alpha");
}

TEST_F(Files, AMoveOverAnExistingFileNeedsReplaceExisting) {
  EXPECT_EQ(MoveError(folder / "a.txt", folder / "b.txt", 0), DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(MoveError(folder / "a.txt", folder / "B.TXT", MOVEFILE_COPY_ALLOWED),
            DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "alpha");
  EXPECT_EQ(kit::ReadFile(folder / "b.txt"), "beta");

  EXPECT_EQ(MoveError(folder / "a.txt", folder / "b.txt", MOVEFILE_REPLACE_EXISTING), 0u);
  EXPECT_FALSE(kit::FileExists(folder / "a.txt"));
  EXPECT_EQ(kit::ReadFile(folder / "b.txt"), "alpha");
}

TEST_F(Files, AFolderMovesWithWhatItHolds) {
  SetFileAttributesA((folder / "Sub\\Deep\\d.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  const DWORD hidden = GetFileAttributesA((folder / "Sub\\Deep\\d.txt").c_str());
  ASSERT_TRUE(MoveFileA((folder / "Sub").c_str(), (folder / "Other").c_str()));
  EXPECT_EQ(GetFileAttributesA((folder / "Sub").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(kit::ReadFile(folder / "Other\\Deep\\d.txt"), "delta");
  EXPECT_EQ(GetFileAttributesA((folder / "Other\\Deep\\d.txt").c_str()), hidden);
  // And into another folder, under the same name.
  kit::MakeFolder(folder / "Outer");
  ASSERT_TRUE(MoveFileA((folder / "Other\\Deep").c_str(), (folder / "Outer\\Deep").c_str()));
  EXPECT_EQ(kit::ReadFile(folder / "Outer\\Deep\\d.txt"), "delta");
}

TEST_F(Files, MoveErrors) {
  kit::MakeFolder(folder / "Empty");
  struct Case {
    const char* name;
    std::string from, to;
    DWORD flags;
    DWORD error;
  } cases[] = {
      {"missing source", folder / "none.txt", folder / "x.txt", 0, ERROR_FILE_NOT_FOUND},
      {"source folder missing", folder / "none\\a.txt", folder / "x.txt", 0, ERROR_PATH_NOT_FOUND},
      {"destination folder missing", folder / "a.txt", folder / "none\\x.txt", 0,
       ERROR_PATH_NOT_FOUND},
      {"destination under a file", folder / "a.txt", folder / "b.txt\\x.txt", 0,
       ERROR_PATH_NOT_FOUND},
      {"a folder is never replaced", folder / "a.txt", folder / "Empty", MOVEFILE_REPLACE_EXISTING,
       ERROR_ACCESS_DENIED},
      {"folder onto folder", folder / "Empty", folder / "Sub", 0, ERROR_ALREADY_EXISTS},
      {"no new name", folder / "a.txt", "", 0, ERROR_PATH_NOT_FOUND},
  };
  for (const Case& c : cases) EXPECT_EQ(MoveError(c.from, c.to, c.flags), c.error) << c.name;
  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "alpha");
  EXPECT_EQ(kit::ReadFile(folder / "b.txt"), "beta");
  EXPECT_EQ(kit::ReadFile(folder / "Sub\\Deep\\d.txt"), "delta");
}

TEST_F(Files, AnOpenFileMovesOnlyWhenItsHoldersShareDeletion) {
  const std::string a = folder / "a.txt", moved = folder / "moved.txt";
  HANDLE held = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(MoveError(a, moved, 0), DWORD(ERROR_SHARING_VIOLATION));
  CloseHandle(held);

  held =
      CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(MoveError(a, moved, 0), 0u);
  // The handle follows the file.
  char buffer[8] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(held, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(std::string(buffer, got), "alpha");
  CloseHandle(held);
  EXPECT_EQ(kit::ReadFile(moved), "alpha");
}

TEST_F(Files, AttributesTravelWithAMovedFile) {
  ASSERT_TRUE(SetFileAttributesA((folder / "a.txt").c_str(),
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  const DWORD kept = GetFileAttributesA((folder / "a.txt").c_str());
  EXPECT_EQ(kept & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(MoveFileA((folder / "a.txt").c_str(), (folder / "Sub\\a.txt").c_str()));
  EXPECT_EQ(GetFileAttributesA((folder / "Sub\\a.txt").c_str()), kept);
  ASSERT_TRUE(MoveFileA((folder / "Sub\\a.txt").c_str(), (folder / "c.txt").c_str()));
  EXPECT_EQ(GetFileAttributesA((folder / "c.txt").c_str()), kept);
}

// The documentation of MoveFileEx: the pairs go to the Session Manager's
// PendingFileRenameOperations, "\??\" before each full path, an empty destination for a
// deletion; nothing moves before the restart.
TEST_F(Files, DelayedMovesAreRecordedForTheNextRestart) {
  const char* sessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  const char* pending = "PendingFileRenameOperations";
  std::pair<DWORD, std::string> before =
      kit::ReadValue(HKEY_LOCAL_MACHINE, sessionManager, pending);

  const std::string a = folder / "a.txt", b = folder / "moved.txt", gone = folder / "b.txt";
  EXPECT_EQ(MoveError(a, b, MOVEFILE_DELAY_UNTIL_REBOOT), 0u);
  SetLastError(0);
  EXPECT_TRUE(MoveFileExA(gone.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  std::pair<DWORD, std::string> after = kit::ReadValue(HKEY_LOCAL_MACHINE, sessionManager, pending);

  // Put the machine's list back before anything can fail.
  if (before.first == 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sessionManager, 0, KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS) {
      RegDeleteValueA(key, pending);
      RegCloseKey(key);
    }
  } else {
    kit::SetValue(HKEY_LOCAL_MACHINE, sessionManager, pending, before.first, before.second);
  }

  EXPECT_EQ(after.first, DWORD(REG_MULTI_SZ));
  const std::string added =
      "\\??\\" + a + '\0' + "\\??\\" + b + '\0' + "\\??\\" + gone + '\0' + '\0' + '\0';
  ASSERT_GE(after.second.size(), added.size());
  EXPECT_EQ(after.second.substr(after.second.size() - added.size()), added);
  EXPECT_EQ(kit::ReadFile(a), "alpha");
  EXPECT_EQ(kit::ReadFile(gone), "beta");
  EXPECT_FALSE(kit::FileExists(b));
}

TEST_F(Files, APlainNameIsFoundWithoutRegardToCase) {
  kit::WriteFile(folder / "Mixed.Txt", "m");
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder / "MIXED.TXT").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "Mixed.Txt");
  EXPECT_EQ(found.nFileSizeLow, 1u);
  EXPECT_FALSE(FindNextFileA(find, &found));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
  FindClose(find);

  SetLastError(0);
  EXPECT_EQ(FindFirstFileA((folder / "none.txt").c_str(), &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA((folder / "none\\a.txt").c_str(), &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

#ifndef _WIN32
// Windows gives a case-only rename the new spelling; Wine, over a host that tells case,
// finds the file under its old name and leaves that.
TEST_F(Files, ACaseOnlyRenameTakesTheNewSpellingOnSimulatedMachine) {
  ASSERT_TRUE(MoveFileA((folder / "a.txt").c_str(), (folder / "A.Txt").c_str()));
  EXPECT_EQ(NameOnDisk(folder / "a.txt"), "A.Txt");
  EXPECT_EQ(kit::ReadFile(folder / "A.TXT"), "alpha");
  ASSERT_TRUE(MoveFileA((folder / "SUB").c_str(), (folder / "sub").c_str()));
  EXPECT_EQ(NameOnDisk(folder / "Sub"), "sub");
  EXPECT_EQ(kit::ReadFile(folder / "sub\\deep\\d.txt"), "delta");
}

// Refusals that Wine does not make:
// - Windows does not replace a read-only file, as it does not delete one; Wine does;
// - MOVEFILE_REPLACE_EXISTING "cannot be used if lpNewFileName or lpExistingFileName names a
//   directory"; Wine lets a folder replace a file;
// - MOVEFILE_DELAY_UNTIL_REBOOT "cannot be used with MOVEFILE_COPY_ALLOWED"; Wine records it;
// - a null new name means a deletion only with MOVEFILE_DELAY_UNTIL_REBOOT; Wine deletes the
//   file at once;
// - a folder moved below itself: Windows refuses with a sharing violation, Wine passes on
//   the host's EINVAL as ERROR_INVALID_PARAMETER.
TEST_F(Files, RefusalsWineDoesNotMakeOnSimulatedMachine) {
  kit::MakeFolder(folder / "Empty");
  SetFileAttributesA((folder / "b.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(MoveError(folder / "a.txt", folder / "b.txt", MOVEFILE_REPLACE_EXISTING),
            DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(MoveError(folder / "Empty", folder / "b.txt", MOVEFILE_REPLACE_EXISTING),
            DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(MoveError(folder / "a.txt", folder / "c.txt",
                      MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED),
            DWORD(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_FALSE(MoveFileExA((folder / "a.txt").c_str(), nullptr, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(MoveError(folder / "Sub", folder / "Sub\\Deep\\Sub", 0),
            DWORD(ERROR_SHARING_VIOLATION));

  EXPECT_EQ(kit::ReadFile(folder / "a.txt"), "alpha");
  EXPECT_EQ(kit::ReadFile(folder / "b.txt"), "beta");
  EXPECT_EQ(kit::ReadFile(folder / "Sub\\Deep\\d.txt"), "delta");
  EXPECT_EQ(
      kit::ReadValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     "PendingFileRenameOperations")
          .first,
      0u);
}
#endif

}  // namespace
