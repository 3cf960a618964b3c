#include "host/host_fixture.h"

namespace {

using FormatArgPathsTest = hosttest::HostFixture;

std::string Doubled(const std::string& path) {
  std::string out;
  for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

// The directory keys in the order a view of the session's Directory table gives them.
std::vector<std::string> DirectoryOrder(MSIHANDLE session) {
  std::vector<std::string> keys;
  MSIHANDLE database = MsiGetActiveDatabase(session), view = 0, row = 0;
  MsiDatabaseOpenViewA(database, "SELECT * FROM `Directory`", &view);
  MsiViewExecute(view, 0);
  while (MsiViewFetch(view, &row) == ERROR_SUCCESS) {
    char key[80];
    DWORD size = sizeof key;
    MsiRecordGetStringA(row, 1, key, &size);
    keys.push_back(key);
    MsiCloseHandle(row);
  }
  MsiViewClose(view);
  MsiCloseHandle(view);
  MsiCloseHandle(database);
  return keys;
}

TEST_F(FormatArgPathsTest, SetsDoublingPropertiesFromUpperCaseDirectoryKeys) {
  auto session = OpenSession({{"TARGETDIR", folder.path() + "\\"},
                              {"KYRDOUBLEINSTALLDIR", "orig"},
                              {"KYRDOUBLEDATAFOLDER", "orig"},
                              {"KYRDOUBLEMixedDir", "orig"},
                              {"KYRDOUBLE", "orig"},
                              {"kyrdoubleDATAFOLDER", "orig"},
                              {"KYRDOUBLEMISSING", "orig"}},
                             {{"TARGETDIR", "", "SourceDir"},
                              {"INSTALLDIR", "TARGETDIR", "Program Files|Nolva Desktop"},
                              {"DIR", "INSTALLDIR", "Sub"},
                              {"DataFolder", "INSTALLDIR", "Data"},
                              {"MixedDir", "TARGETDIR", "Mixed"}});
  std::string install = session->TargetPath("INSTALLDIR");
  ASSERT_EQ(install, folder.path() + "\\Nolva Desktop\\");

  EXPECT_EQ(Run("KyrFormatArgPaths", *session), 0u);

  // "INSTALLDIR" and "DIR" both match KYRDOUBLEINSTALLDIR: the later row wins.
  std::vector<std::string> order = DirectoryOrder(session->handle());
  auto position = [&](const char* key) {
    return std::find(order.begin(), order.end(), key) - order.begin();
  };
  std::string winner = position("DIR") > position("INSTALLDIR") ? "DIR" : "INSTALLDIR";
  EXPECT_EQ(session->Property("KYRDOUBLEINSTALLDIR"), Doubled(session->TargetPath(winner)));
  EXPECT_EQ(session->Property("KYRDOUBLEDATAFOLDER"), Doubled(install + "Data\\"));
  for (const char* untouched :
       {"KYRDOUBLEMixedDir", "KYRDOUBLE", "kyrdoubleDATAFOLDER", "KYRDOUBLEMISSING"})
    EXPECT_EQ(session->Property(untouched), "orig") << untouched;
}

}  // namespace
