// REGEDIT4 text written from the simulated registry: the registry editor's exact form,
// and text that reads back into the same tree.
#include "kit/kit.h"

namespace {

class RegistryExport : public kit::MachineTest {};

std::string Bytes(std::size_t count, int first = 0) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += static_cast<char>((first + i) & 0xFF);
  return out;
}

TEST_F(RegistryExport, WritesTheRegistryEditorsForm) {
  const char* key = "SOFTWARE\\Quorvel";
  kit::SetString(HKEY_LOCAL_MACHINE, key, "", "C:\\Program Files\\\"Quorvel\"");
  kit::SetDword(HKEY_LOCAL_MACHINE, key, "Count", 0xABCD);
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "Short", REG_DWORD, "\x01\x02\x03");
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "NoNul", REG_SZ, "abc");
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "Inner", REG_SZ, std::string("a\0b\0", 4));
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "Lines", REG_SZ, std::string("a\r\nb\0", 5));
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "Bin", REG_BINARY, Bytes(60));
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "Q", REG_QWORD, Bytes(8, 0xf8));
  kit::SetValue(HKEY_LOCAL_MACHINE, key, "Empty", REG_BINARY, "");
  kit::SetString(HKEY_LOCAL_MACHINE, std::string(key) + "\\b", "x", "1");
  kit::CreateKey(HKEY_LOCAL_MACHINE, std::string(key) + "\\A\\Z");

  const std::string expected =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel]\r\n"
      "@=\"C:\\\\Program Files\\\\\\\"Quorvel\\\"\"\r\n"
      "\"Count\"=dword:0000abcd\r\n"
      "\"Short\"=hex(4):01,02,03\r\n"
      "\"NoNul\"=hex(1):61,62,63\r\n"
      "\"Inner\"=hex(1):61,00,62,00\r\n"
      "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
      "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
      "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
      "  30,31,32,33,34,35,36,37,38,39,3a,3b\r\n"
      "\"Q\"=hex(b):f8,f9,fa,fb,fc,fd,fe,ff\r\n"
      "\"Empty\"=hex:\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\A]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\A\\Z]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvel\\b]\r\n"
      "\"x\"=\"1\"\r\n"
      "\r\n";
  // Named in any case and by the short root name, written in the keys' own case.
  EXPECT_EQ(winsim::ExportRegistry("HKLM\\software\\QUORVEL"), expected);
  EXPECT_EQ(winsim::ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Missing"), "");
  EXPECT_EQ(winsim::ExportRegistry("HKEY_NOWHERE"), "");

  // The whole roots.
  std::string machine = winsim::ExportRegistry("HKEY_LOCAL_MACHINE");
  EXPECT_EQ(machine.substr(0, 37), "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[");
  EXPECT_NE(machine.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes]\r\n"), std::string::npos);
  EXPECT_NE(machine.find(expected.substr(12)), std::string::npos);
  std::string users = winsim::ExportRegistry("HKEY_USERS");
  EXPECT_NE(users.find("[HKEY_USERS\\" + winsim::CurrentUserSid() + "\\Software]\r\n"),
            std::string::npos);
}

TEST_F(RegistryExport, LongLinesWrapAtEightyColumns) {
  const std::string name(30, 'n');
  kit::SetValue(HKEY_CURRENT_USER, "Software\\W", name, REG_EXPAND_SZ, Bytes(300));
  kit::SetValue(HKEY_CURRENT_USER, "Software\\W", std::string(90, 'L'), REG_BINARY, Bytes(2));
  std::string text = winsim::ExportRegistry("HKEY_CURRENT_USER\\Software\\W");
  std::size_t lines = 0, pos = text.find("\"" + name);
  ASSERT_NE(pos, std::string::npos);
  for (;;) {
    std::size_t end = text.find("\r\n", pos);
    std::string line = text.substr(pos, end - pos);
    EXPECT_LE(line.size(), 80u) << line;
    if (lines) {
      EXPECT_EQ(line.substr(0, 2), "  ");
    }
    ++lines;
    pos = end + 2;
    if (line.back() != '\\') break;
    EXPECT_EQ(line.substr(line.size() - 2), ",\\");
  }
  EXPECT_EQ(lines, 13u);  // 13 bytes beside the name, then 25 a line
  // A name too long for any byte beside it: the bytes go on the next line.
  EXPECT_NE(text.find("\"" + std::string(90, 'L') + "\"=hex:\\\r\n  00,01\r\n"), std::string::npos);
}

// Every kind of awkward name and data reads back as it was: same types, bytes and order.
TEST_F(RegistryExport, ImportOfAnExportGivesTheSameTree) {
  const std::string base = "Software\\Round \"Trip\" [1]";
  const std::string deep = base + "\\Sub]Key\\;not a comment\\=";
  const std::vector<std::pair<std::string, std::pair<DWORD, std::string>>> values = {
      {"", {REG_SZ, std::string("default\0", 8)}},
      {"quote\"back\\slash", {REG_SZ, std::string("\\\"\\\\\"\0", 6)}},
      {"@", {REG_SZ, std::string("at\0", 3)}},
      {"=;[x]", {REG_SZ, std::string("=\0", 2)}},
      {"high\xe9\xff", {REG_SZ, std::string("\x80\xe9\xff\0", 4)}},
      {"  spaces  ", {REG_SZ, std::string("  padded  \0", 11)}},
      {"empty sz", {REG_SZ, ""}},
      {"two nuls", {REG_SZ, std::string("a\0\0", 3)}},
      {"crlf", {REG_SZ, std::string("a\r\nb\0", 5)}},
      {"dword", {REG_DWORD, std::string("\xff\xfe\x00\x01", 4)}},
      {"dword 5", {REG_DWORD, std::string("\x01\x02\x03\x04\x05", 5)}},
      {"big endian", {REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x00\x01", 4)}},
      {"expand", {REG_EXPAND_SZ, std::string("%TEMP%\\\xe9\0", 9)}},
      {"multi", {REG_MULTI_SZ, std::string("a\0b\0\0", 5)}},
      {"none", {REG_NONE, ""}},
      {"odd type", {0x12345678, "\x01"}},
      {"binary", {REG_BINARY, Bytes(1000, 7)}},
  };
  for (const auto& entry : values) {
    kit::SetValue(HKEY_CURRENT_USER, deep, entry.first, entry.second.first, entry.second.second);
    kit::SetValue(HKEY_CURRENT_USER, base, entry.first, entry.second.first, entry.second.second);
  }
  kit::SetString(HKEY_CURRENT_USER, base, "quote\"back\\slash", "set again keeps its place");
  kit::CreateKey(HKEY_CURRENT_USER, base + "\\empty");

  const std::string path = "HKEY_CURRENT_USER\\" + base;
  const std::string exported = winsim::ExportRegistry(path);
  const std::string dump = kit::DumpTree(HKEY_CURRENT_USER, base);
  kit::DeleteKeyTree(HKEY_CURRENT_USER, base);
  ASSERT_EQ(winsim::ExportRegistry(path), "");

  std::string error;
  ASSERT_TRUE(winsim::ImportRegistry(exported, "round.reg", error)) << error;
  EXPECT_EQ(kit::DumpTree(HKEY_CURRENT_USER, base), dump);
  EXPECT_EQ(winsim::ExportRegistry(path), exported);
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, deep, "odd type"),
            std::make_pair(DWORD(0x12345678), std::string("\x01")));
}

}  // namespace
