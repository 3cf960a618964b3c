// What changed in the registry since a snapshot, as a list and as REGEDIT4 text that
// makes the old registry the new one; and the generation counter.
#include "kit/kit.h"

namespace {

using Kind = winsim::RegistryChange::Kind;

// Both roots, each a REGEDIT4 text of its own.
std::pair<std::string, std::string> Everything() {
  return {winsim::ExportRegistry("HKEY_LOCAL_MACHINE"), winsim::ExportRegistry("HKEY_USERS")};
}

class RegistryChanges : public kit::MachineTest {
 protected:
  void Import(const std::string& text) {
    std::string error;
    ASSERT_TRUE(winsim::ImportRegistry(text, "changes.reg", error)) << error;
  }

  // A fresh machine made as the exports were.
  void Restore(const std::pair<std::string, std::string>& registry) {
    winsim::Reset();
    Import(registry.first);
    Import(registry.second);
  }

  // The machine before the changes the tests make.
  void Seed() {
    Import(
        "REGEDIT4\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel]\r\n"
        "\"Kept\"=\"same\"\r\n"
        "\"Changed\"=dword:00000001\r\n"
        "\"Removed\"=hex:01,02\r\n"
        "\"Retyped\"=\"5\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Old\\Deeper]\r\n"
        "\"x\"=\"1\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Same]\r\n"
        "\"y\"=\"2\"\r\n");
  }

  // The changes the tests make.
  void Change() {
    kit::SetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel", "changed", 2);
    kit::SetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel", "Retyped", 5);
    kit::SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel", "", REG_BINARY, std::string(40, 'b'));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel", 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "removed"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(key, "Old\\Deeper"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(key, "Old"), ERROR_SUCCESS);
    RegCloseKey(key);
    kit::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\New", "a", "\"quoted\"");
    kit::CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\New\\Child");
    kit::SetString(HKEY_CURRENT_USER, "Software\\Quorvel", "User", "1");
  }
};

TEST_F(RegistryChanges, ListsWhatDiffersInEnumerationOrder) {
  Seed();
  winsim::RegistrySnapshot before = winsim::SnapshotRegistry();
  EXPECT_TRUE(winsim::RegistryChanges(before).empty());
  Change();

  const std::string q = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel";
  const std::string user = "HKEY_USERS\\" + winsim::CurrentUserSid() + "\\Software\\Quorvel";
  struct Expected {
    Kind kind;
    std::string key, value, oldData, newData;
  } expected[] = {
      {Kind::ValueSet, q, "Changed", "dword:00000001", "dword:00000002"},
      {Kind::ValueSet, q, "Retyped", "\"5\"", "dword:00000005"},
      {Kind::ValueSet, q, "", "",
       "hex:" +
           [] {
             std::string list;
             for (int i = 0; i < 40; ++i) list += i ? ",62" : "62";
             return list;
           }()},
      {Kind::ValueRemoved, q, "Removed", "hex:01,02", ""},
      {Kind::KeyAdded, q + "\\New", "", "", ""},
      {Kind::ValueSet, q + "\\New", "a", "", "\"\\\"quoted\\\"\""},
      {Kind::KeyAdded, q + "\\New\\Child", "", "", ""},
      {Kind::KeyRemoved, q + "\\Old", "", "", ""},
      {Kind::KeyAdded, user, "", "", ""},
      {Kind::ValueSet, user, "User", "", "\"1\""},
  };
  std::vector<winsim::RegistryChange> changes = winsim::RegistryChanges(before);
  ASSERT_EQ(changes.size(), std::size(expected));
  for (std::size_t i = 0; i < changes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(changes[i].kind, expected[i].kind);
    EXPECT_EQ(changes[i].key, expected[i].key);
    EXPECT_EQ(changes[i].value, expected[i].value);
    EXPECT_EQ(changes[i].oldData, expected[i].oldData);
    EXPECT_EQ(changes[i].newData, expected[i].newData);
  }
}

TEST_F(RegistryChanges, TheTextMakesTheOldRegistryTheNewOne) {
  Seed();
  const auto old = Everything();
  winsim::RegistrySnapshot before = winsim::SnapshotRegistry();
  Change();
  const auto now = Everything();
  const std::string text = winsim::RegistryChangesText(winsim::RegistryChanges(before));

  const std::string q = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel";
  const std::string expected =
      q +
      "]\r\n"
      "; was: dword:00000001\r\n"
      "\"Changed\"=dword:00000002\r\n"
      "; was: \"5\"\r\n"
      "\"Retyped\"=dword:00000005\r\n"
      "@=hex:62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,\\\r\n"
      "  62,62,62,62,62,62,62,62,62,62,62,62,62,62,62,62\r\n"
      "\"Removed\"=-\r\n"
      "\r\n" +
      q +
      "\\New]\r\n"
      "\"a\"=\"\\\"quoted\\\"\"\r\n"
      "\r\n" +
      q +
      "\\New\\Child]\r\n"
      "\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Old]\r\n"
      "\r\n"
      "[HKEY_USERS\\" +
      winsim::CurrentUserSid() +
      "\\Software\\Quorvel]\r\n"
      "\"User\"=\"1\"\r\n"
      "\r\n";
  EXPECT_EQ(text, expected);

  // On a machine as it was, the text gives the machine as it is.
  Restore(old);
  ASSERT_EQ(Everything(), old);
  Import("REGEDIT4\r\n\r\n" + text);
  EXPECT_EQ(Everything(), now);
}

// A tree far from trivial: a key whose subkeys and values are mostly changed, removed
// or added, read back through the text.
TEST_F(RegistryChanges, ManyChangesApplyBack) {
  for (int i = 0; i < 300; ++i) {
    std::string key = "SOFTWARE\\Many\\k" + std::to_string(i);
    kit::SetDword(HKEY_LOCAL_MACHINE, key, "v", i);
    kit::SetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many", "v" + std::to_string(i), i);
  }
  const auto old = Everything();
  winsim::RegistrySnapshot before = winsim::SnapshotRegistry();
  for (int i = 0; i < 300; ++i) {
    std::string n = std::to_string(i);
    if (i % 3 == 0) kit::DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many\\k" + n);
    if (i % 3 == 1) kit::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many\\k" + n, "v", "s" + n);
    if (i % 4 == 0) kit::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many\\K" + n + "x", "w", n);
    if (i % 5 == 0) kit::SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many", "V" + n, REG_BINARY, n);
    if (i % 7 == 0) kit::SetDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many", "new" + n, i);
  }
  HKEY many = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Many", 0, KEY_ALL_ACCESS, &many),
            ERROR_SUCCESS);
  for (int i = 1; i < 300; i += 5) RegDeleteValueA(many, ("v" + std::to_string(i)).c_str());
  RegCloseKey(many);
  const auto now = Everything();
  const std::string text = winsim::RegistryChangesText(winsim::RegistryChanges(before));
  Restore(old);
  Import("REGEDIT4\r\n\r\n" + text);
  EXPECT_EQ(Everything(), now);
}

TEST_F(RegistryChanges, TheGenerationRisesWithEveryChangeOnly) {
  std::uint64_t last = winsim::RegistryGeneration();
  auto rose = [&last]() {
    std::uint64_t now = winsim::RegistryGeneration();
    bool up = now > last;
    last = now;
    return up;
  };
  kit::CreateKey(HKEY_CURRENT_USER, "Software\\G");
  EXPECT_TRUE(rose());
  kit::CreateKey(HKEY_CURRENT_USER, "Software\\g");  // opened, not created
  kit::KeyExists(HKEY_CURRENT_USER, "Software\\G");
  kit::ReadValue(HKEY_CURRENT_USER, "Software\\G", "v");
  kit::SubKeyNames(HKEY_CURRENT_USER, "Software");
  winsim::ExportRegistry("HKEY_USERS");
  winsim::SnapshotRegistry();
  EXPECT_FALSE(rose());
  kit::SetDword(HKEY_CURRENT_USER, "Software\\G", "v", 1);
  EXPECT_TRUE(rose());
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\G", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(rose());
  EXPECT_EQ(RegDeleteValueA(key, "v"), ERROR_SUCCESS);
  EXPECT_TRUE(rose());
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\G"), ERROR_SUCCESS);
  EXPECT_TRUE(rose());
  Import("REGEDIT4\r\n");
  EXPECT_TRUE(rose());
  std::string error;
  EXPECT_FALSE(winsim::ImportRegistry("REGEDIT4\r\n\"v\"=\"1\"\r\n", "bad.reg", error));
  EXPECT_FALSE(rose());
  winsim::Reset();
  EXPECT_TRUE(rose());  // never back, so that callers can compare across a reset
}

}  // namespace
