#include "foundation/registry_key.h"

#include <algorithm>

#include "kit/kit.h"

namespace {

const char kBase[] = "Software\\KitRegistryKeyTest";

class RegistryKeyTest : public kit::MachineTest {
 protected:
  kit::ScratchKey scratch{HKEY_CURRENT_USER, kBase};
  std::string Path(const std::string& sub) const { return std::string(kBase) + "\\" + sub; }
};

TEST_F(RegistryKeyTest, OpenOnAnOpenObjectClosesTheOldKeyAlsoWhenTheNewOpenFails) {
  kit::CreateKey(HKEY_CURRENT_USER, Path("A"));
  RegistryKey key(HKEY_CURRENT_USER, Path("A").c_str());
  ASSERT_TRUE(key.IsOpen());
  HKEY old = key.Handle();

  EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, Path("Missing").c_str()));
  EXPECT_FALSE(key.IsOpen());
  EXPECT_EQ(key.Handle(), nullptr);
  DWORD subKeys = 0;
  EXPECT_EQ(RegQueryInfoKeyA(old, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_HANDLE);

  WritableKey writable(HKEY_CURRENT_USER, Path("A").c_str());
  ASSERT_TRUE(writable.IsOpen());
  EXPECT_TRUE(writable.Open(HKEY_CURRENT_USER, Path("B\\C").c_str()));  // creates on the way
  EXPECT_TRUE(kit::KeyExists(HKEY_CURRENT_USER, Path("B\\C")));
}

TEST_F(RegistryKeyTest, ReadsOnlyTheTypeItAsksFor) {
  std::string path = Path("Values");
  kit::SetString(HKEY_CURRENT_USER, path, "Text", "hello");
  kit::SetValue(HKEY_CURRENT_USER, path, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
  kit::SetValue(HKEY_CURRENT_USER, path, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  kit::SetDword(HKEY_CURRENT_USER, path, "Number", 42);
  kit::SetDword(HKEY_CURRENT_USER, path, "Zero", 0);
  kit::SetValue(HKEY_CURRENT_USER, path, "Unterminated", REG_SZ, "abc");

  RegistryKey key(HKEY_CURRENT_USER, path.c_str());
  struct Case {
    const char* name;
    DWORD type;
    const char* text;
    const char* expand;
    DWORD number;
  } cases[] = {
      {"Text", REG_SZ, "hello", "", 0},       {"Expand", REG_EXPAND_SZ, "", "%TEMP%\\x", 0},
      {"Multi", REG_MULTI_SZ, "", "", 0},     {"Number", REG_DWORD, "", "", 42},
      {"Zero", REG_DWORD, "", "", 0},         {"Missing", 0, "", "", 0},
      {"Unterminated", REG_SZ, "abc", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD size = 99;
    EXPECT_EQ(key.ValueType(c.name, size), c.type);
    EXPECT_EQ(key.GetString(c.name), c.text);
    EXPECT_EQ(key.GetExpandString(c.name), c.expand);
    EXPECT_EQ(key.GetDword(c.name), c.number);
  }

  RegistryKey closed;
  DWORD size = 0;
  EXPECT_EQ(closed.ValueType("Text", size), 0u);
  EXPECT_EQ(closed.GetString("Text"), "");
  std::string name;
  EXPECT_FALSE(closed.EnumSubKey(0, name));
}

TEST_F(RegistryKeyTest, WritesStoreWhatTheyShould) {
  WritableKey key(HKEY_CURRENT_USER, Path("W").c_str());
  ASSERT_TRUE(key.SetString("Empty", ""));
  ASSERT_TRUE(key.SetString("Text", "ab"));
  ASSERT_TRUE(key.SetDword("Number", 7));
  ASSERT_TRUE(key.SetMultiString("Multi", reinterpret_cast<const BYTE*>("x\0y\0\0"), 5));

  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, Path("W"), "Empty"),
            std::make_pair(DWORD(REG_SZ), std::string(1, '\0')));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, Path("W"), "Text"),
            std::make_pair(DWORD(REG_SZ), std::string("ab\0", 3)));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, Path("W"), "Number"),
            std::make_pair(DWORD(REG_DWORD), std::string("\7\0\0\0", 4)));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, Path("W"), "Multi"),
            std::make_pair(DWORD(REG_MULTI_SZ), std::string("x\0y\0\0", 5)));

  RegistryKey readOnly(HKEY_CURRENT_USER, Path("W").c_str());
  EXPECT_EQ(readOnly.GetString("Text"), "ab");
}

TEST_F(RegistryKeyTest, EnumeratesSubKeysByNameAndValuesInCreationOrder) {
  for (const char* sub : {"beta", "Alpha", "gamma", "Delta"})
    kit::CreateKey(HKEY_CURRENT_USER, Path("E\\" + std::string(sub)));
  for (const char* value : {"z", "a", "M"})
    kit::SetString(HKEY_CURRENT_USER, Path("E"), value, "v");
  kit::SetDword(HKEY_CURRENT_USER, Path("E"), "n", 1);

  RegistryKey key(HKEY_CURRENT_USER, Path("E").c_str());
  std::vector<std::string> names;
  std::string name;
  for (DWORD i = 0; key.EnumSubKey(i, name); ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Delta", "gamma"}));

  std::vector<std::pair<std::string, DWORD>> values;
  DWORD type = 0;
  for (DWORD i = 0; key.EnumValue(i, name, type); ++i) values.emplace_back(name, type);
#ifdef _WIN32
  // Wine keeps a key's values sorted by name where Windows keeps them in creation order.
  std::sort(values.begin(), values.end());
  std::vector<std::pair<std::string, DWORD>> created{
      {"M", REG_SZ}, {"a", REG_SZ}, {"n", REG_DWORD}, {"z", REG_SZ}};
#else
  std::vector<std::pair<std::string, DWORD>> created{
      {"z", REG_SZ}, {"a", REG_SZ}, {"M", REG_SZ}, {"n", REG_DWORD}};
#endif
  EXPECT_EQ(values, created);
}

TEST_F(RegistryKeyTest, DeleteTreeRemovesADeepSubtree) {
  for (const char* leaf : {"T\\a\\b\\c\\d", "T\\a\\x", "T\\e", "T\\a\\b\\y"})
    kit::SetString(HKEY_CURRENT_USER, Path(leaf), "v", "1");
  DeletableKey parent(HKEY_CURRENT_USER, kBase);
  EXPECT_TRUE(parent.DeleteTree("T"));
  EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, Path("T")));
  EXPECT_TRUE(kit::KeyExists(HKEY_CURRENT_USER, kBase));
}

TEST_F(RegistryKeyTest, DeleteTreeOfAMissingSubkeyLeavesNoKeyBehind) {
  DeletableKey parent(HKEY_CURRENT_USER, kBase);
  EXPECT_TRUE(parent.DeleteTree("Missing"));
  EXPECT_FALSE(kit::KeyExists(HKEY_CURRENT_USER, Path("Missing")));
  EXPECT_TRUE(kit::SubKeyNames(HKEY_CURRENT_USER, kBase).empty());

  kit::CreateKey(HKEY_CURRENT_USER, Path("Leaf"));
  DeletableKey leaf(HKEY_CURRENT_USER, Path("Leaf").c_str());
  EXPECT_TRUE(leaf.DeleteAllSubKeys());
  DeletableKey closed;
  EXPECT_FALSE(closed.DeleteTree("Leaf"));
}

#ifndef _WIN32
// Fault injection exists on the simulated machine only.
TEST_F(RegistryKeyTest, DeleteTreeStopsAtAKeyThatMayNotBeDeletedOnSimulatedMachine) {
  kit::CreateKey(HKEY_CURRENT_USER, Path("T\\a\\locked"));
  kit::CreateKey(HKEY_CURRENT_USER, Path("T\\b"));
  winsim::DenyKey(HKEY_CURRENT_USER, Path("T\\a\\locked"));
  DeletableKey parent(HKEY_CURRENT_USER, kBase);
  EXPECT_FALSE(parent.DeleteTree("T"));
  EXPECT_TRUE(kit::KeyExists(HKEY_CURRENT_USER, Path("T\\b")));  // stopped at the first failure
}
#endif

}  // namespace
