#include "host/host_fixture.h"

namespace {

const char kDraxon[] = "SOFTWARE\\Quorvel\\Draxon";

class GetDesktopsTest : public hosttest::HostFixture {
 protected:
  enum Core { kNone, kRelease, kDebug };

  // A host product key with all its values (each may be left out or changed) and a
  // folder that holds the core module, its debug build, or neither.
  std::string AddHost(const std::string& release, const std::string& productKey, Core core,
                      std::map<std::string, std::string> changes = {}) {
    std::string hostFolder = folder / ("host-" + std::to_string(++hosts_));
    kit::MakeFolder(hostFolder);
    if (core == kRelease) kit::WriteFile(hostFolder + "\\KyrCApp.qxm", "core");
    if (core == kDebug) kit::WriteFile(hostFolder + "\\KyrCAppD.qxm", "core");
    std::map<std::string, std::string> values{{"ProductName", "Draxon " + release},
                                              {"Language", "English"},
                                              {"DrxnLocation", hostFolder},
                                              {"ProductId", "001-" + productKey},
                                              {"LocaleId", "409"},
                                              {"LangAbbrev", "enu"},
                                              {"NetSupport", "1"}};
    for (const auto& change : changes) values[change.first] = change.second;
    if (values["DrxnLocation"] == "<missing>") values["Location"] = hostFolder;
    std::string key = std::string(kDraxon) + "\\" + release + "\\" + productKey;
    kit::CreateKey(HKEY_LOCAL_MACHINE, key);
    for (const auto& value : values)
      if (value.second != "<missing>")
        kit::SetString(HKEY_LOCAL_MACHINE, key, value.first, value.second);
    records_[productKey] =
        values["ProductName"] + ";" + values["Language"] + ";" + release + ";" + productKey + ";" +
        (values["DrxnLocation"] == "<missing>" ? values["Location"] : values["DrxnLocation"]) +
        ";" + values["ProductId"] + ";409;enu;1";
    folders_[productKey] = hostFolder;
    return hostFolder;
  }

  std::map<std::string, std::string> records_, folders_;

 private:
  int hosts_ = 0;
};

TEST_F(GetDesktopsTest, FiltersNumbersAndPreselects) {
  AddHost("R15.0", "DRXN-185:409", kRelease);
  AddHost("R16.0", "DRXN-200:409", kNone);
  AddHost("R16.0", "DRXN-208:409", kDebug, {{"DrxnLocation", "<missing>"}});
  AddHost("R16.0", "DXLE-208:407", kNone);
  AddHost("R16.0", "DRXN-209:409", kRelease, {{"NetSupport", "<missing>"}});
  AddHost("R16.0", "DRXN-211:409", kRelease, {{"ProductId", std::string(300, '9')}});
  AddHost("R16.0", "drxn-210:409", kRelease);
  AddHost("R16.0", "XDRXN-208:409", kRelease);

  struct Case {
    const char* release;
    const char* product;
    std::vector<std::pair<int, std::string>> desktops;  // number, product key
    const char* count;
    const char* preselected;  // product key, or "" when BASEPRODUCT keeps its value
    bool applied;
  } cases[] = {
      {"", "", {{1, "DRXN-185:409"}, {3, "DRXN-208:409"}}, "2", "DRXN-185:409", false},
      {"R16.0", "", {{2, "DRXN-208:409"}}, "1", "DRXN-208:409", true},
      {"", "208", {{1, "DRXN-208:409"}, {2, "XDRXN-208:409"}}, "2", "DRXN-208:409", false},
      {"R15.0", "185", {{1, "DRXN-185:409"}}, "1", "DRXN-185:409", true},
      {"R17.0", "", {}, "0", "", false},
      {"R16.0", "185", {}, "0", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("version '") + c.release + "' id '" + c.product + "'");
    std::vector<std::pair<std::string, std::string>> properties{{"BASEPRODUCT", "kept"}};
    if (c.release[0]) properties.emplace_back("BASEPRODUCTVERSION", c.release);
    if (c.product[0]) properties.emplace_back("BASEPRODUCTID", c.product);
    auto session = OpenSession(properties);
    EXPECT_EQ(Run("KyrGetDesktops", *session), 0u);

    std::map<int, std::string> expected;
    for (const auto& desktop : c.desktops) expected[desktop.first] = desktop.second;
    for (int number = 1; number <= 6; ++number) {
      std::string name = "Desktop" + std::to_string(number);
      auto it = expected.find(number);
      std::string record = it == expected.end() ? "" : records_[it->second];
      std::string text =
          it == expected.end() ? "" : record.substr(0, record.find(';')) + ",   English";
      EXPECT_EQ(session->Property(name), record) << name;
      EXPECT_EQ(session->Property(name + "Text"), text) << name;
    }
    EXPECT_EQ(session->Property("BASENUMBEROFPRODUCTS"), c.count);
    EXPECT_EQ(session->Property("BASEPRODUCT"),
              c.preselected[0] ? records_[c.preselected] : "kept");
    if (c.applied) {
      EXPECT_EQ(session->Property("DRXNVERSION"), c.release);
      EXPECT_EQ(session->Property("DRXNCOOKIE"), c.preselected);
      EXPECT_EQ(session->TargetPath("INSTALLDIR"), folders_[c.preselected] + "\\");
    } else {
      EXPECT_EQ(session->Property("DRXNVERSION"), "");
    }
  }
}

TEST_F(GetDesktopsTest, AnEmptyLanguageShiftsNoField) {
  std::string hostFolder = AddHost("R16.0", "DRXN-208:409", kRelease, {{"Language", ""}});
  auto session = OpenSession({});
  EXPECT_EQ(Run("KyrGetDesktops", *session), 0u);
  EXPECT_EQ(session->Property("Desktop1Text"), "Draxon R16.0,   ");
  EXPECT_EQ(session->Property("DRXNVERSION"), "R16.0");
  EXPECT_EQ(session->Property("DRXNCOOKIE"), "DRXN-208:409");
  EXPECT_EQ(session->TargetPath("INSTALLDIR"), hostFolder + "\\");
}

TEST_F(GetDesktopsTest, NoHostRootMeansNoHosts) {
  auto session = OpenSession({{"BASEPRODUCT", "kept"}});
  EXPECT_EQ(Run("KyrGetDesktops", *session), 0u);
  EXPECT_EQ(session->Property("BASENUMBEROFPRODUCTS"), "0");
  EXPECT_EQ(session->Property("BASEPRODUCT"), "kept");
}

}  // namespace
