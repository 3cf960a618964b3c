#include "kit/kit.h"

namespace {

const char kHost[] = "Software\\Quorvel\\Draxon";
const char kProfile[] = "Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\Profiles\\Nolva Desktop";

class CheckNolvaRunTest : public kit::MachineTest {
 protected:
  kit::ScratchKey hostKeys{HKEY_CURRENT_USER, "Software\\Quorvel"};
  kit::ScratchFolder folder;
  kit::Library library{"TarsinMsiExt.dll"};

  // Runs the action in a session whose package may give the property a value first.
  std::string Run(const char* presetValue) {
    std::string package = folder / "companion.msi";
    std::vector<std::pair<std::string, std::string>> properties{{"ProductName", "Tarsin Design"}};
    if (presetValue) properties.emplace_back("NVQ_JUST_INSTALLED", presetValue);
    kit::WritePackage(package, {kit::PropertyTable(properties)});
    kit::Session session(package);
    EXPECT_EQ(library.Call("CheckNolvaRun", session.handle()), 0u);
    return session.Property("NVQ_JUST_INSTALLED");
  }
};

TEST_F(CheckNolvaRunTest, APresentProfileLeavesThePropertyAsItWas) {
  kit::SetString(HKEY_CURRENT_USER, kProfile, "", "");
  EXPECT_EQ(Run(nullptr), "");
  EXPECT_EQ(Run("0"), "0");
  EXPECT_EQ(Run("1"), "1");
}

TEST_F(CheckNolvaRunTest, AMissingProfileSetsTheProperty) {
  EXPECT_EQ(Run(nullptr), "1");
  EXPECT_EQ(Run("0"), "1");
}

TEST_F(CheckNolvaRunTest, OnlyTheExactProfileCounts) {
  const char* others[] = {
      "Software\\Quorvel\\Draxon\\R16.0\\DRXN-208:409\\Profiles\\Other Desktop",
      "Software\\Quorvel\\Draxon\\R15.0\\DRXN-208:409\\Profiles\\Nolva Desktop",
      "Software\\Quorvel\\Draxon\\R16.0\\DRXN-209:409\\Profiles\\Nolva Desktop",
      "Software\\Quorvel\\Draxon\\R16.0\\DXLE-208:409\\Profiles\\Nolva Desktop",
  };
  for (const char* other : others) {
    SCOPED_TRACE(other);
    kit::DeleteKeyTree(HKEY_CURRENT_USER, kHost);
    kit::CreateKey(HKEY_CURRENT_USER, other);
    EXPECT_EQ(Run(nullptr), "1");
  }
}

TEST_F(CheckNolvaRunTest, ExportsExactlyTheAction) {
  ASSERT_TRUE(library.loaded());
  EXPECT_TRUE(library.Exports("CheckNolvaRun"));
  EXPECT_FALSE(library.Exports("CheckNolvaRun@4"));
  EXPECT_FALSE(library.Exports("_CheckNolvaRun@4"));
}

#ifndef _WIN32
// Denying a key is fault injection, which the simulated machine alone offers.
TEST_F(CheckNolvaRunTest, AnUnreadableProfileCountsAsMissingOnSimulatedMachine) {
  kit::CreateKey(HKEY_CURRENT_USER, kProfile);
  winsim::DenyKey(HKEY_CURRENT_USER, kProfile);
  EXPECT_EQ(Run(nullptr), "1");
}
#endif

}  // namespace
