#include "host/host_fixture.h"

namespace {

const std::string kHostKyr = "SOFTWARE\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\KYR";
const std::string kRuntimeKyr = "SOFTWARE\\Quorvel\\Fennix\\R16.0\\KYR";

class MigratePreferencesTest : public hosttest::HostFixture {
 protected:
  void SeedModules() {
    std::string prefs = kHostKyr + "\\ModA\\Preferences";
    kit::SetString(HKEY_LOCAL_MACHINE, prefs, "Text", "new");
    kit::SetString(HKEY_LOCAL_MACHINE, prefs, "Empty", "");
    kit::SetDword(HKEY_LOCAL_MACHINE, prefs, "Number", 5);
    kit::SetValue(HKEY_LOCAL_MACHINE, prefs, "Binary", REG_BINARY, "\x01\x02");
    kit::SetValue(HKEY_LOCAL_MACHINE, prefs, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
    kit::SetValue(HKEY_LOCAL_MACHINE, prefs, "Multi", REG_MULTI_SZ, std::string("a\0\0", 3));
    kit::SetString(HKEY_LOCAL_MACHINE, prefs + "\\Sub\\Deep", "Leaf", "deep");
    kit::CreateKey(HKEY_LOCAL_MACHINE, prefs + "\\EmptySub");
    kit::SetString(HKEY_LOCAL_MACHINE, kHostKyr + "\\ModB\\Other", "x", "y");
    // What an earlier migration left: one value the source overwrites, one it lacks.
    kit::SetString(HKEY_LOCAL_MACHINE, kHostKyr + "\\5.0\\ModA\\Preferences", "Text", "old");
    kit::SetString(HKEY_LOCAL_MACHINE, kHostKyr + "\\5.0\\ModA\\Preferences", "Extra", "kept");

    kit::SetDword(HKEY_LOCAL_MACHINE, kRuntimeKyr + "\\ModC\\ObjectDefaults", "Color", 3);
    kit::SetString(HKEY_LOCAL_MACHINE, kRuntimeKyr + "\\ModC\\Preferences", "P", "p");
  }

  std::string RunMigration(const char* hostRelease = "R16.0") {
    auto session = OpenSession(
        {{"KYRREGVER", "5.0"}, {"DRXNVERSION", hostRelease}, {"DRXNCOOKIE", "DRXN-208:409"}});
    EXPECT_EQ(Run("KyrMigratePreferences", *session), 0u);
    return kit::DumpTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel");
  }
};

TEST_F(MigratePreferencesTest, CopiesTextAndNumbersOfEachModuleUnderTheRelease) {
  SeedModules();
  std::string first = RunMigration();

  std::string destination = kHostKyr + "\\5.0\\ModA\\Preferences";
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, destination, "Text").second,
            std::string("new\0", 4));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, destination, "Extra").second,
            std::string("kept\0", 5));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, destination, "Empty"),
            std::make_pair(DWORD(REG_SZ), std::string(1, '\0')));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, destination, "Number").first, DWORD(REG_DWORD));
  for (const char* skipped : {"Binary", "Expand", "Multi"})
    EXPECT_FALSE(kit::ValueExists(HKEY_LOCAL_MACHINE, destination, skipped)) << skipped;
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, destination + "\\Sub\\Deep", "Leaf").second,
            std::string("deep\0", 5));
  EXPECT_TRUE(kit::KeyExists(HKEY_LOCAL_MACHINE, destination + "\\EmptySub"));
  EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, kHostKyr + "\\5.0\\ModB"));

  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, kRuntimeKyr + "\\5.0\\ModC\\ObjectDefaults", "Color")
                .second,
            std::string("\3\0\0\0", 4));
  EXPECT_EQ(
      kit::ReadValue(HKEY_LOCAL_MACHINE, kRuntimeKyr + "\\5.0\\ModC\\Preferences", "P").second,
      std::string("p\0", 2));
  EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, kRuntimeKyr + "\\5.0\\ModC\\Other"));

  EXPECT_EQ(RunMigration(), first) << "a second run changes nothing";
}

TEST_F(MigratePreferencesTest, MissingParentsLeaveNothingBehind) {
  SeedModules();
  std::string before = kit::DumpTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel");
  EXPECT_EQ(RunMigration("R99.0"), before);
}

#ifndef _WIN32
// Denying one key is fault injection, which the simulated machine alone offers.
TEST_F(MigratePreferencesTest, AnUnreadableSourceSubkeyGivesAnEmptyDestinationOnSimulatedMachine) {
  SeedModules();
  winsim::DenyKey(HKEY_LOCAL_MACHINE, kHostKyr + "\\ModA\\Preferences\\Sub");
  RunMigration();
  std::string destination = kHostKyr + "\\5.0\\ModA\\Preferences";
  EXPECT_TRUE(kit::KeyExists(HKEY_LOCAL_MACHINE, destination + "\\Sub"));
  EXPECT_TRUE(kit::SubKeyNames(HKEY_LOCAL_MACHINE, destination + "\\Sub").empty());
  EXPECT_TRUE(kit::KeyExists(HKEY_LOCAL_MACHINE, destination + "\\EmptySub"));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, destination, "Text").second,
            std::string("new\0", 4));
}
#endif

}  // namespace
