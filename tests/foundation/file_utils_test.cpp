#include "foundation/file_utils.h"

#include <cstring>

#include "kit/kit.h"

namespace {

class FileUtilsTest : public kit::MachineTest {
 protected:
  void SetUp() override {
    kit::MakeFolder(folder / "Sub");
    kit::WriteFile(folder / "file.txt", "x");
  }
  kit::ScratchFolder folder;
};

TEST_F(FileUtilsTest, ExistenceTestsOfDifferentStrength) {
  std::string file = folder / "file.txt", sub = folder / "Sub", missing = folder / "none";
  EXPECT_TRUE(PathExists(file.c_str()));
  EXPECT_TRUE(PathExists(sub.c_str()));
  EXPECT_FALSE(PathExists(missing.c_str()));

  EXPECT_TRUE(FileOpensForReading(file.c_str()));
  EXPECT_FALSE(FileOpensForReading(sub.c_str()));
  EXPECT_FALSE(FileOpensForReading(missing.c_str()));

  // A file another holder keeps open without read sharing does not open for reading.
  HANDLE held = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileOpensForReading(file.c_str()));
  EXPECT_TRUE(PathExists(file.c_str()));
  CloseHandle(held);
  EXPECT_TRUE(FileOpensForReading(file.c_str()));
}

TEST_F(FileUtilsTest, DirectoryExistsLeavesTheCurrentFolderAsItFoundIt) {
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {folder / "Sub", true},
      {folder / "sub\\", true},
      {folder / "file.txt", false},
      {folder / "none", false},
      {"", false},
      {"C:\\", true},
  };
  for (const std::string& start : {std::string("C:\\"), folder.path(), folder / "Sub"}) {
    ASSERT_TRUE(SetCurrentDirectoryA(start.c_str()));
    std::string before = kit::CurrentFolder();
    for (const Case& c : cases) {
      SCOPED_TRACE("from " + start + " test " + c.path);
      EXPECT_EQ(DirectoryExists(c.path.c_str()), c.exists);
      EXPECT_EQ(kit::CurrentFolder(), before);
    }
  }
  SetCurrentDirectoryA("C:\\");
}

TEST_F(FileUtilsTest, GetCurrentFolderDropsTheTrailingBackslash) {
  char buffer[MAX_PATH];
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  EXPECT_EQ(GetCurrentFolder(buffer), 3u);  // the length Windows reported, "C:\"
  EXPECT_STREQ(buffer, "C:");

  ASSERT_TRUE(SetCurrentDirectoryA((folder / "Sub").c_str()));
  std::string expected = folder / "Sub";
  EXPECT_EQ(GetCurrentFolder(buffer), expected.size());
  EXPECT_STREQ(buffer, expected.c_str());
  SetCurrentDirectoryA("C:\\");
}

#ifndef _WIN32
// Windows without long-path support refuses so long a current folder; the simulated
// machine accepts it, so only here can the folder that does not fit be shown.
TEST_F(FileUtilsTest, ACurrentFolderThatDoesNotFitIsAFailureOnSimulatedMachine) {
  std::string deep = folder.path();
  while (deep.size() < 300) deep += "\\" + std::string(40, 'd');
  kit::MakeFolder(deep);
  ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));

  char buffer[MAX_PATH];
  std::memset(buffer, 'z', sizeof buffer);
  EXPECT_EQ(GetCurrentFolder(buffer), 0u);
  EXPECT_STREQ(buffer, "");

  // Nothing was read, so nothing is restored: the folder stays where it was.
  EXPECT_TRUE(DirectoryExists((folder / "Sub").c_str()));
  EXPECT_EQ(kit::CurrentFolder(), folder / "Sub");
  SetCurrentDirectoryA("C:\\");
}
#endif

TEST(PathText, StripTrailingBackslash) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"C:\\P\\", "C:\\P"}, {"C:\\", "C:\\"}, {"C:\\P", "C:\\P"},
               {"\\", ""},           {"", ""},         {"C:\\P\\\\", "C:\\P\\"}};
  for (const Case& c : cases) {
    char buffer[32];
    std::strcpy(buffer, c.in);
    StripTrailingBackslash(buffer);
    EXPECT_STREQ(buffer, c.out) << c.in;
  }
}

TEST(PathText, AppendPathPart) {
  struct Case {
    const char* folder;
    const char* name;
    const char* out;
  } cases[] = {{"C:\\P", "\\x.ini", "C:\\P\\x.ini"},
               {"C:\\P\\", "x.ini", "C:\\P\\x.ini"},
               {"C:\\P\\", "\\", "C:\\P\\\\"},
               {"", "x", "\\x"},
               {"C:\\P", "x", "C:\\P\\x"}};
  for (const Case& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.folder);
    EXPECT_TRUE(AppendPathPart(buffer, c.name));
    EXPECT_STREQ(buffer, c.out) << c.folder << " + " << c.name;
  }
}

}  // namespace

namespace {

class IniReaders : public kit::MachineTest {
 protected:
  void SetUp() override {
    kit::WriteFile(
        ini,
        "[Other]\r\nKey=wrong\r\n[Setup]\r\n  Name = Nolva Desktop  \r\nQuoted=\"a b\"\r\n"
        "Count=12x\r\nText=abc\r\nNegative=-5\r\nBlank=   \r\nName=second\r\n");
  }
  kit::ScratchFolder folder;
  std::string ini = folder / "appsetup.inf";
};

TEST_F(IniReaders, ReadIniString) {
  struct Case {
    const char* section;
    const char* key;
    const char* text;
  } cases[] = {{"Setup", "Name", "Nolva Desktop"},
               {"setup", "NAME", "Nolva Desktop"},
               {"Setup", "Quoted", "a b"},
               {"Setup", "Missing", ""},
               {"Missing", "Name", ""},
               {"Setup", "Blank", ""}};
  for (const Case& c : cases) {
    std::string text = "stale";
    EXPECT_EQ(ReadIniString(ini.c_str(), c.section, c.key, text), std::strlen(c.text)) << c.key;
    EXPECT_EQ(text, c.text) << c.section << "/" << c.key;
  }
  std::string text;
  EXPECT_EQ(ReadIniString((folder / "none.inf").c_str(), "Setup", "Name", text), 0u);
  EXPECT_EQ(text, "");
}

TEST_F(IniReaders, ReadIniNumber) {
  struct Case {
    const char* key;
    int number;
    bool result;
  } cases[] = {{"Count", 12, true},
               {"Text", 0, true},
               {"Missing", -1, false},
               {"Negative", -5, false},
               {"Blank", 0, true}};
  for (const Case& c : cases) {
    int number = 99;
    EXPECT_EQ(ReadIniNumber(ini.c_str(), "Setup", c.key, number), c.result) << c.key;
    EXPECT_EQ(number, c.number) << c.key;
  }
}

}  // namespace
