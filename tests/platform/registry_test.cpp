// The registry calls as the product relies on them; run on the simulated machine and on
// Wine alike, so the simulation is checked against the real thing.
#include "kit/kit.h"

namespace {

const char kBase[] = "Software\\KitRegistryContract";

class RegistryContract : public kit::MachineTest {
 protected:
  kit::ScratchKey scratch{HKEY_CURRENT_USER, kBase};
  struct Key {
    HKEY h = nullptr;
    ~Key() {
      if (h) RegCloseKey(h);
    }
  };
};

TEST_F(RegistryContract, OpenCreateAndDeleteResults) {
  Key base, read, sub;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &base.h, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  EXPECT_EQ(RegOpenKeyExA(base.h, "missing", 0, KEY_READ, &read.h), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(
      RegCreateKeyExA(base.h, "A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub.h, &disposition),
      ERROR_SUCCESS);
  EXPECT_EQ(
      RegCreateKeyExA(base.h, "a\\b", 0, nullptr, 0, KEY_READ, nullptr, &read.h, &disposition),
      ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));

  EXPECT_EQ(RegDeleteKeyA(base.h, "A"), ERROR_ACCESS_DENIED);  // has a subkey
  EXPECT_EQ(RegDeleteKeyA(base.h, "Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(base.h, "A\\B"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(sub.h, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyA(base.h, "A"), ERROR_SUCCESS);
}

TEST_F(RegistryContract, ValueQueriesAndBufferSizes) {
  Key key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key.h, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.h, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("hello"), 6),
            ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key.h, "NAME", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, 6u);
  char small[3];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key.h, "Name", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(RegQueryValueExA(key.h, "Other", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

  char name[4];
  DWORD nameLength = sizeof name;
  EXPECT_EQ(RegEnumValueA(key.h, 0, name, &nameLength, nullptr, &type, nullptr, nullptr),
            ERROR_MORE_DATA);
  char big[16];
  nameLength = sizeof big;
  EXPECT_EQ(RegEnumValueA(key.h, 0, big, &nameLength, nullptr, &type, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(nameLength, 4u);
  EXPECT_STREQ(big, "Name");
  nameLength = sizeof big;
  EXPECT_EQ(RegEnumValueA(key.h, 1, big, &nameLength, nullptr, &type, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  EXPECT_EQ(RegDeleteValueA(key.h, "name"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key.h, "name"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryContract, AReadKeyMayNotBeWritten) {
  kit::CreateKey(HKEY_CURRENT_USER, kBase);
  Key key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_READ, &key.h), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key.h, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
            ERROR_ACCESS_DENIED);
}

TEST_F(RegistryContract, SubKeysEnumerateSortedWithoutRegardToCase) {
  for (const char* name : {"b9", "B", "a", "C", "1z", "bA"})
    kit::CreateKey(HKEY_CURRENT_USER, std::string(kBase) + "\\" + name);
  EXPECT_EQ(kit::SubKeyNames(HKEY_CURRENT_USER, kBase),
            (std::vector<std::string>{"1z", "a", "B", "b9", "bA", "C"}));
}

#ifndef _WIN32
// Windows compares key names in upper case, so "_" sorts after the letters; Wine folds to
// lower case and puts it before them.
TEST_F(RegistryContract, AnUnderscoreSortsAfterTheLettersOnSimulatedMachine) {
  for (const char* name : {"b_x", "bA", "_z", "a"})
    kit::CreateKey(HKEY_CURRENT_USER, std::string(kBase) + "\\" + name);
  EXPECT_EQ(kit::SubKeyNames(HKEY_CURRENT_USER, kBase),
            (std::vector<std::string>{"a", "bA", "b_x", "_z"}));
}
#endif

}  // namespace
