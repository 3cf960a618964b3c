// The attributes the host does not keep, as the attrib command's columns, so that a machine
// kept in a folder keeps them between runs.
#include <filesystem>

#include "sim/files_tree.h"

namespace {

class AttributesText : public kit::MachineTest {
 protected:
  void SetUp() override {
    kit::WriteFile(folder / "a.txt", "a");  // made by the machine: archive
    kit::WriteFile(folder / "B.txt", "b");
    SetFileAttributesA((folder / "B.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                       FILE_ATTRIBUTE_SYSTEM |
                                                       FILE_ATTRIBUTE_ARCHIVE);
    kit::MakeFolder(folder / "Sub");
    SetFileAttributesA((folder / "Sub").c_str(), FILE_ATTRIBUTE_HIDDEN);
    kit::WriteFile(folder / "Sub\\plain.txt", "p");
    SetFileAttributesA((folder / "Sub\\plain.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  std::string Expected() const {
    return "A          " + folder / "a.txt\n" +  //
           "A  SHR     " + folder / "B.txt\n" +  //
           "    H      " + folder / "Sub\n";
  }
  kit::ScratchFolder folder;
};

TEST_F(AttributesText, OneLinePerPathInTheAttribColumnsSortedByPath) {
  // A mapped drive is not the machine's own: its files are not told.
  const std::string mapped = files_tree::MachineRoot() + "/mapped";
  std::filesystem::create_directories(mapped);
  winsim::MapDrive('P', mapped);
  kit::WriteFile("P:\\p.txt", "p");
  EXPECT_EQ(winsim::ExportFileAttributes(), Expected());
}

TEST_F(AttributesText, AnotherProcessReadsThemBack) {
  const std::string text = winsim::ExportFileAttributes();
  winsim::Reset(files_tree::MachineRoot());
  EXPECT_EQ(GetFileAttributesA((folder / "B.txt").c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
  kit::WriteFile(folder / "new.txt", "n");  // not in the text: keeps its own

  std::string error;
  ASSERT_TRUE(winsim::ImportFileAttributes(text + "A  SHR     " + folder / "gone.txt\n", error))
      << error;
  EXPECT_EQ(GetFileAttributesA((folder / "b.txt").c_str()),
            DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                  FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesA((folder / "sub").c_str()),
            DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(winsim::ExportFileAttributes(),
            "A          " + folder / "a.txt\n" + "A  SHR     " + folder / "B.txt\n" +
                "A          " + folder / "new.txt\n" + "    H      " + folder / "Sub\n");
}

TEST_F(AttributesText, AMalformedTextChangesNothing) {
  struct Case {
    std::string line;
    std::string error;
  } cases[] = {
      {"X          " + folder / "a.txt", "2: unexpected 'X' in column 1"},
      {"     H     " + folder / "a.txt", "2: unexpected 'H' in column 6"},
      {"A  R", "2: expected attribute columns and a path"},
      {"A          relative\\a.txt", "2: not a full path: relative\\a.txt"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(
        winsim::ImportFileAttributes("    H      " + folder / "a.txt\n" + c.line + "\n", error));
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(winsim::ExportFileAttributes(), Expected());
}

}  // namespace
