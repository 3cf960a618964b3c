#include "host/host_fixture.h"

namespace {

using SetDesktopTest = hosttest::HostFixture;

TEST_F(SetDesktopTest, AppliesTheChosenHostRecord) {
  std::string hostFolder = folder / "Draxon";
  struct Case {
    std::string record;
    const char* release;
    const char* productKey;
    std::string target;  // "" when INSTALLDIR keeps its costed target
  } cases[] = {
      {"Draxon 2016;English;R16.0;DRXN-208:409;" + hostFolder + ";001;409;enu;1", "R16.0",
       "DRXN-208:409", hostFolder + "\\"},
      // An empty language keeps every later field in its place.
      {"Draxon 2016;;R16.0;DRXN-208:409;" + hostFolder + ";001;409;enu;1", "R16.0", "DRXN-208:409",
       hostFolder + "\\"},
      {"Draxon 2016;English;R16.0", "R16.0", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    std::vector<std::pair<std::string, std::string>> properties{{"DRXNVERSION", "old"},
                                                                {"DRXNCOOKIE", "old"}};
    if (!c.record.empty()) properties.emplace_back("BASEPRODUCT", c.record);
    auto session = OpenSession(properties);
    std::string costed = session->TargetPath("INSTALLDIR");
    EXPECT_EQ(Run("KyrCSetDesktop", *session), 0u);
    EXPECT_EQ(session->Property("DRXNVERSION"), c.release);
    EXPECT_EQ(session->Property("DRXNCOOKIE"), c.productKey);
    EXPECT_EQ(session->TargetPath("INSTALLDIR"), c.target.empty() ? costed : c.target);
  }
}

TEST_F(SetDesktopTest, CheckDataDirTellsWhetherTheDataFolderExists) {
  kit::MakeFolder(folder / "Data");
  kit::WriteFile(folder / "file.txt", "x");
  struct Case {
    const char* overwrite;
    std::string dataFolder;
    const char* exists;
  } cases[] = {
      {"", folder / "Data", "1"},
      {"", folder / "Data\\", "1"},
      {"", folder / "file.txt", "0"},
      {"", folder / "Missing", "0"},
      {"", "", "0"},
      {"0", folder / "Data", "kept"},
      {"1", folder / "Missing", "kept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dataFolder + " overwrite '" + c.overwrite + "'");
    std::vector<std::pair<std::string, std::string>> properties{{"DATADIREXISTS", "kept"}};
    if (c.overwrite[0]) properties.emplace_back("OVERWRITEDATADIR", c.overwrite);
    if (!c.dataFolder.empty()) properties.emplace_back("KYRDATADIR", c.dataFolder);
    auto session = OpenSession(properties);
    std::string before = kit::CurrentFolder();
    EXPECT_EQ(Run("KyrCCheckDataDir", *session), 0u);
    EXPECT_EQ(session->Property("DATADIREXISTS"), c.exists);
    EXPECT_EQ(kit::CurrentFolder(), before);
  }
}

}  // namespace
