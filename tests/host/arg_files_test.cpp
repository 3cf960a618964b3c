#include "host/host_fixture.h"

namespace {

class ArgFileTest : public hosttest::HostFixture {
 protected:
  std::string root = folder / "Root\\";
  std::string productFile = root + "nolva.arg";
  std::string orlaFile = root + "orla.arg";

  std::unique_ptr<kit::Session> Session(const std::string& remove = "",
                                        const std::string& rootPath = "") {
    std::vector<std::pair<std::string, std::string>> properties{
        {"DRXNVERSION", "R16.0"},
        {"DRXNCOOKIE", "DRXN-208:409"},
        {"KYRROOTPATH", rootPath.empty() ? root : rootPath},
        {"KYRPROFILENAME", "Nolva Desktop"},
        {"KYRARGFILE", "nolva.arg"},
        {"KYRORLAARGFILE", "orla.arg"}};
    if (!remove.empty()) properties.emplace_back("REMOVE", remove);
    auto session = OpenSession(properties);
    // A folder property the installer sets itself, over any value in the package.
    session->SetProperty("CommonFilesFolder", "C:\\CF\\");
    return session;
  }

  std::string ProductText() const {
    const std::string p =
        "[HKEY_CURRENT_USER\\Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\Profiles\\Nolva "
        "Desktop";
    return "REGEDIT4\r\n\r\n" + p + "]\r\n\"\"=\"NolvaDevelopmentDesktop\"\r\n" + p +
           "\\General]\r\n\"DRXN\"=\"" + Folders() +
           "\"\r\n\"NoStartUpDialog\"=dword:00000000\r\n\r\n" + p +
           "\\Preferences\\KyrBase]\r\n\"DwgSetupDoLispVars\"=dword:00000000\r\n\r\n" + p +
           "\\NolvaDevelopmentDesktop]\r\n\"AutoLoadMenu\"=\"1\"\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:"
           "409\\FixedProfile\\Editor Configuration]\r\n"
           "\"UCSOrtho\"=dword:00000000\r\n\r\n";
  }

  std::string OrlaText() const {
    const std::string o =
        "[HKEY_CURRENT_USER\\Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\Profiles\\Orla";
    return "REGEDIT4\r\n\r\n" + o + "\\General]\r\n\"DRXN\"=\"" + Folders() + "\"\r\n\r\n" + o +
           "\\NolvaDevelopmentDesktop]\r\n\"AutoLoadMenu\"=\"1\"\r\n\r\n";
  }

 private:
  static std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
  }
  std::string Folders() const {
    std::string r = Escaped(root);
    return "C:\\\\CF\\\\Quorvel Shared;" + r + ";" + r + "Support;" + r + "Fonts;" + r + "Help;" +
           r + "Quillet;";
  }
};

TEST_F(ArgFileTest, WritesBothFilesByteForByteAndAppendsOnASecondRun) {
  kit::MakeFolder(folder / "Root");
  for (int run = 1; run <= 2; ++run) {
    auto session = Session(run == 1 ? "" : "Feature1,Feature2");
    EXPECT_EQ(Run("KyrCCreateArgFile", *session), 0u);
  }
  EXPECT_EQ(kit::ReadFile(productFile), ProductText() + ProductText());
  EXPECT_EQ(kit::ReadFile(orlaFile), OrlaText() + OrlaText());
}

TEST_F(ArgFileTest, RemovalDeletesOnlyForExactlyAll) {
  kit::MakeFolder(folder / "Root");
  auto lower = Session("all");
  EXPECT_EQ(Run("KyrCCreateArgFile", *lower), 0u);
  EXPECT_EQ(kit::ReadFile(productFile), ProductText());

  auto removal = Session("ALL");
  EXPECT_EQ(Run("KyrCCreateArgFile", *removal), 0u);
  EXPECT_FALSE(kit::FileExists(productFile));
  EXPECT_FALSE(kit::FileExists(orlaFile));

  auto again = Session("ALL");  // neither file present
  EXPECT_EQ(Run("KyrCCreateArgFile", *again), 0u);
  EXPECT_FALSE(kit::FileExists(productFile));
}

TEST_F(ArgFileTest, AMissingRootFolderWritesNothingAnywhere) {
  // The root is never created: both files are passed over. On Windows the message box
  // is shown first; Wine without a display answers it at once.
  auto session = Session();
  EXPECT_EQ(Run("KyrCCreateArgFile", *session), 0u);
  EXPECT_FALSE(kit::FileExists(productFile));
  EXPECT_FALSE(kit::FileExists(orlaFile));
  EXPECT_FALSE(kit::FileExists(folder / "Rootnolva.arg"));
  EXPECT_FALSE(kit::FileExists(folder / "nolva.arg"));
}

TEST_F(ArgFileTest, AnOrlaFileThatCannotBeOpenedIsPassedOver) {
  kit::MakeFolder(folder / "Root\\orla.arg");  // a folder where the file should go
  auto session = Session();
  EXPECT_EQ(Run("KyrCCreateArgFile", *session), 0u);
  EXPECT_EQ(kit::ReadFile(productFile), ProductText());
}

#ifndef _WIN32
// Message boxes are recorded only on the simulated machine.
TEST_F(ArgFileTest, AMissingRootFolderIsReportedOnceAlsoAtRemovalOnSimulatedMachine) {
  for (const char* remove : {"", "ALL"}) {
    std::size_t before = winsim::MessageBoxes().size();
    auto session = Session(remove, "C:\\Missing\\");
    EXPECT_EQ(Run("KyrCCreateArgFile", *session), 0u);
    ASSERT_EQ(winsim::MessageBoxes().size() - before, 1u) << remove;
    const auto& box = winsim::MessageBoxes().back();
    EXPECT_EQ(box.text,
              "Install Directory not created yet.\nCreate it yourself and press OK to continue.");
    EXPECT_EQ(box.caption, "KyrCMsiExt");
    EXPECT_EQ(box.style, UINT(MB_OK));
    EXPECT_EQ(box.owner, nullptr);
  }
}
#endif

}  // namespace
