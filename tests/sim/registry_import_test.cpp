// Registry-editor text read into the simulated registry: every kind of line, the roots,
// version 5 Unicode text, and malformed text that must change nothing.
#include "kit/kit.h"

namespace {

std::string Everything() {
  return winsim::ExportRegistry("HKEY_LOCAL_MACHINE") + winsim::ExportRegistry("HKEY_USERS");
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out += static_cast<char>(b);
  return out;
}

std::string Utf16(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

class RegistryImport : public kit::MachineTest {
 protected:
  void Import(const std::string& text) {
    std::string error = "unset";
    ASSERT_TRUE(winsim::ImportRegistry(text, "seed.reg", error)) << error;
    EXPECT_EQ(error, "");
  }
};

TEST_F(RegistryImport, EveryKindOfLine) {
  Import(
      "\n; a comment before the header\r\n"
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Deep\\Er]\r\n"
      "@=\"default\"\r\n"
      "\"Text\"=\"a \\\"quoted\\\" \\\\ path\"\r\n"
      "  ; an indented comment\r\n"
      "\"Number\"=dword:0000abcd\r\n"
      "\"Bytes\"=hex:01,ff,\\\r\n"
      "  7f\r\n"
      "\"Expand\"=hex(2):25,41,25,00\r\n"
      "\"Multi\"=hex(7):61,00,62,00,00\n"  // LF alone ends a line too
      "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\"None\"=hex(0):\r\n"
      "\"Gone\"=\"soon\"\r\n"
      "\"gone\"=-\r\n"
      "\"Empty\"=\"\"\r\n"
      "\r\n"
      "[HKLM\\SOFTWARE\\Quorvel\\Old\\Sub]\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\Old]\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\NeverWas]\r\n"
      "[HKCU\\Software\\Quorvel]\r\n"
      "\"User\"=dword:1\r\n"
      "[HKEY_CLASSES_ROOT\\.qvl]\r\n"
      "@=\"Quorvel.Document\"\r\n"
      "[HKU\\.DEFAULT\\Software\\Quorvel]\r\n");

  const char* deep = "SOFTWARE\\Quorvel\\Deep\\Er";
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, ""),
            std::make_pair(DWORD(REG_SZ), std::string("default", 8)));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "text").second,
            std::string("a \"quoted\" \\ path", 18));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "Number"),
            std::make_pair(DWORD(REG_DWORD), Bytes({0xcd, 0xab, 0, 0})));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "Bytes"),
            std::make_pair(DWORD(REG_BINARY), Bytes({1, 0xff, 0x7f})));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "Expand"),
            std::make_pair(DWORD(REG_EXPAND_SZ), std::string("%A%", 4)));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "Multi"),
            std::make_pair(DWORD(REG_MULTI_SZ), std::string("a\0b\0", 5)));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "Big"),
            std::make_pair(DWORD(REG_QWORD), Bytes({1, 0, 0, 0, 0, 0, 0, 0})));
  EXPECT_TRUE(kit::KeyExists(HKEY_LOCAL_MACHINE, deep));
  EXPECT_FALSE(kit::ValueExists(HKEY_LOCAL_MACHINE, deep, "Gone"));
  EXPECT_EQ(kit::ReadValue(HKEY_LOCAL_MACHINE, deep, "Empty").second, std::string(1, '\0'));
  // REG_NONE of no bytes exists, though ReadValue cannot tell its type 0 from missing.
  EXPECT_NE(winsim::ExportRegistry(std::string("HKLM\\") + deep).find("\"None\"=hex(0):\r\n"),
            std::string::npos);
  EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Old"));

  // The user's and the classes' keys are where those roots stand.
  EXPECT_EQ(
      kit::ReadValue(HKEY_USERS, winsim::CurrentUserSid() + "\\Software\\Quorvel", "User").second,
      Bytes({1, 0, 0, 0}));
  EXPECT_TRUE(kit::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.qvl"));
  EXPECT_TRUE(kit::KeyExists(HKEY_USERS, ".DEFAULT\\Software\\Quorvel"));
}

// One malformed line of each kind: the error names the file and the line, and nothing
// before it is applied.
TEST_F(RegistryImport, MalformedTextChangesNothing) {
  kit::SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel", "Kept", "yes");
  const std::string good =
      "REGEDIT4\r\n\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel]\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Fresh]\r\n"
      "\"a\"=\"1\"\r\n";  // lines 1 to 5
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {"\r\n[HKEY_LOCAL_MACHINE\\X]\r\n", "t.reg:2: missing header"},
      {"; only a comment\r\n", "t.reg:1: missing header"},
      {"REGEDIT5\r\n", "t.reg:1: missing header"},
      {"REGEDIT4\r\n\"a\"=\"1\"\r\n", "t.reg:2: value before any key"},
      {good + "[HKEY_NOWHERE\\X]\r\n", "t.reg:6: unknown root key \"HKEY_NOWHERE\""},
      {good + "[HKEY_LOCAL_MACHINE\\X\r\n", "t.reg:6: missing \"]\""},
      {good + "\"b\"=\"bad \\q escape\"\r\n", "t.reg:6: bad escape \"\\q\""},
      {good + "\"b\\n\"=\"x\"\r\n", "t.reg:6: bad escape \"\\n\""},
      {good + "\"b\"=hex:01,zz\r\n", "t.reg:6: bad hex byte \"zz\""},
      {good + "\"b\"=hex:01,\\\r\n  02,\\\r\n  1ff\r\n", "t.reg:8: bad hex byte \"1ff\""},
      {good + "\"b\"=hex:01,,02\r\n", "t.reg:6: bad hex byte \"\""},
      {good + "\"b\" \"x\"\r\n", "t.reg:6: missing \"=\""},
      {good + "\"b\"=\"open\r\n", "t.reg:6: unterminated string"},
      {good + "\"b=\"x\"\r\n", "t.reg:6: missing \"=\""},
      {good + "\"b\"=\"x\" y\r\n", "t.reg:6: text after the closing quote"},
      {good + "\"b\"=dword:123456789\r\n", "t.reg:6: bad dword \"123456789\""},
      {good + "\"b\"=dword:\r\n", "t.reg:6: bad dword \"\""},
      {good + "\"b\"=hex(zz):00\r\n", "t.reg:6: bad value type"},
      {good + "\"b\"=hex 00\r\n", "t.reg:6: missing \":\""},
      {good + "\"b\"=word:1\r\n", "t.reg:6: unknown data"},
      {good + "name=\"x\"\r\n", "t.reg:6: not a key or a value line"},
      {good + "[-HKEY_LOCAL_MACHINE]\r\n", "t.reg:6: a root key cannot be deleted"},
      {good + "[-HKLM\\SOFTWARE\\Fresh]\r\n\"c\"=\"1\"\r\n", "t.reg:7: value under a deleted key"},
  };
  const std::string before = Everything();
  const std::uint64_t generation = winsim::RegistryGeneration();
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(winsim::ImportRegistry(c.text, "t.reg", error)) << c.error;
    EXPECT_EQ(error.substr(0, c.error.size()), c.error);
  }
  EXPECT_EQ(Everything(), before);
  EXPECT_EQ(winsim::RegistryGeneration(), generation);
  Import(good);  // the good part alone is fine
  EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel"));
}

TEST_F(RegistryImport, VersionFiveUnicodeTextBecomesAnsi) {
  // "é" and "€" are in code page 1252, "日" is not.
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Caf\u00e9]\r\n"
      u"\"Name\u20ac\"=\"\u65e5 \u00e9t\u00e9\"\r\n"
      u"\"Path\"=hex(2):25,00,e9,00,25,00,00,00\r\n"
      u"\"List\"=hex(7):61,00,00,00,ac,20,00,00,00,00\r\n"
      u"\"Raw\"=hex:e9,00\r\n";
  Import(Utf16(text));
  const std::string key = "Software\\Caf\xe9";
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, key, "Name\x80").second,
            std::string("? \xe9t\xe9", 6));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, key, "Path"),
            std::make_pair(DWORD(REG_EXPAND_SZ), std::string("%\xe9%", 4)));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, key, "List"),
            std::make_pair(DWORD(REG_MULTI_SZ), std::string("a\0\x80\0", 5)));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, key, "Raw").second, Bytes({0xe9, 0}));

  // UTF-8, with its byte-order mark and without; REGEDIT4 bytes are taken as they are.
  Import(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n[HKCU\\Software\\A]\r\n"
      "\"v\"=\"Caf\xC3\xA9 \xE6\x97\xA5\"\r\n");
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, "Software\\A", "v").second,
            std::string("Caf\xe9 ?", 7));
  Import("Windows Registry Editor Version 5.00\n[HKCU\\Software\\B]\n\"v\"=\"\xE2\x82\xAC\"\n");
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, "Software\\B", "v").second, std::string("\x80", 2));
  Import("REGEDIT4\r\n[HKCU\\Software\\C]\r\n\"v\"=\"\xC3\xA9\"\r\n\"x\"=hex(2):e9,00\r\n");
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, "Software\\C", "v").second,
            std::string("\xC3\xA9", 3));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, "Software\\C", "x").second, Bytes({0xe9, 0}));

  // Errors count lines in the Unicode text too.
  std::string error;
  EXPECT_FALSE(winsim::ImportRegistry(
      Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\X]\r\n\"v\"=dword:x\r\n"), "u.reg",
      error));
  EXPECT_EQ(error.substr(0, 8), "u.reg:4:");
}

TEST_F(RegistryImport, DeletingAKeyTreeLeavesItsOpenHandlesDeleted) {
  kit::CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\A\\B");
  HKEY deep = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\A\\B", 0, KEY_ALL_ACCESS, &deep),
            ERROR_SUCCESS);
  Import("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel]\r\n");
  DWORD value = 1;
  EXPECT_EQ(RegSetValueExA(deep, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(deep), ERROR_SUCCESS);
  EXPECT_FALSE(kit::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel"));
  // A deleted key made again is a new, empty key.
  Import("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\A]\r\n");
  EXPECT_TRUE(kit::SubKeyNames(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\A").empty());
}

TEST_F(RegistryImport, TheCurrentUserIsTheOneSet) {
  const std::string defaultSid = winsim::CurrentUserSid();
  EXPECT_EQ(winsim::CurrentUserName(), "engineer");
  winsim::SetCurrentUser("S-1-5-21-1-2-3-1005", "installer");
  EXPECT_EQ(winsim::CurrentUserSid(), "S-1-5-21-1-2-3-1005");
  EXPECT_EQ(winsim::CurrentUserName(), "installer");
  EXPECT_TRUE(kit::KeyExists(HKEY_USERS, "S-1-5-21-1-2-3-1005\\Software"));
  Import("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Quorvel]\r\n\"v\"=\"1\"\r\n");
  kit::SetString(HKEY_CURRENT_USER, "Software\\Quorvel", "w", "2");
  EXPECT_EQ(kit::SubKeyNames(HKEY_USERS, "S-1-5-21-1-2-3-1005\\Software"),
            std::vector<std::string>{"Quorvel"});
  EXPECT_TRUE(kit::ValueExists(HKEY_USERS, "S-1-5-21-1-2-3-1005\\Software\\Quorvel", "w"));
  EXPECT_FALSE(kit::KeyExists(HKEY_USERS, defaultSid + "\\Software\\Quorvel"));

  // The user's key deleted is there again, as a logged-on user's always is.
  Import("REGEDIT4\r\n[-HKEY_USERS\\S-1-5-21-1-2-3-1005]\r\n");
  EXPECT_TRUE(kit::KeyExists(HKEY_CURRENT_USER, "Software"));
  EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, "Software\\Quorvel"));

  winsim::Reset();
  EXPECT_EQ(winsim::CurrentUserSid(), defaultSid);
  EXPECT_EQ(winsim::CurrentUserName(), "engineer");
  EXPECT_EQ(kit::SubKeyNames(HKEY_USERS, ""), (std::vector<std::string>{".DEFAULT", defaultSid}));
}

}  // namespace
