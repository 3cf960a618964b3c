// The registry at a size where a wrong index or cursor shows: enumeration order, names
// without regard to case, enumeration while the key changes, and the maxima that
// RegQueryInfoKeyA reports.
#include <algorithm>
#include <random>

#include "kit/kit.h"

namespace {

const char kBase[] = "Software\\ScaleTest";

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool LessUpper(const std::string& a, const std::string& b) { return UpperCase(a) < UpperCase(b); }

// A name whose letters have random case; "_" and digits sort against letters as Windows
// sorts them (by the upper-case form, so "_" comes after "Z").
std::string RandomCase(std::string name, std::mt19937& random) {
  for (char& c : name)
    if (random() % 2) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

class RegistryScale : public kit::MachineTest {
 protected:
  struct Key {
    HKEY h = nullptr;
    ~Key() {
      if (h) RegCloseKey(h);
    }
  };

  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &base.h, nullptr),
              ERROR_SUCCESS);
  }

  void TearDown() override {
    RegCloseKey(base.h);
    base.h = nullptr;
    kit::MachineTest::TearDown();
  }

  void AddKey(const std::string& name) {
    Key key;
    ASSERT_EQ(RegCreateKeyExA(base.h, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key.h,
                              nullptr),
              ERROR_SUCCESS);
  }

  void SetString(const std::string& name, const std::string& text) {
    ASSERT_EQ(
        RegSetValueExA(base.h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)),
        ERROR_SUCCESS);
  }

  // The subkey or value name at an index; "" past the end.
  std::string KeyAt(DWORD index) {
    char name[256];
    DWORD length = sizeof name;
    LSTATUS status =
        RegEnumKeyExA(base.h, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_NO_MORE_ITEMS) << status;
    return status == ERROR_SUCCESS ? std::string(name, length) : "";
  }
  std::string ValueAt(DWORD index) {
    char name[256];
    DWORD length = sizeof name;
    LSTATUS status =
        RegEnumValueA(base.h, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(status == ERROR_SUCCESS || status == ERROR_NO_MORE_ITEMS) << status;
    return status == ERROR_SUCCESS ? std::string(name, length) : "";
  }

  Key base;
};

TEST_F(RegistryScale, ThousandsOfSubKeysEnumerateSortedByUpperCaseName) {
  std::mt19937 random(7);
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i)
    names.push_back(RandomCase((i % 3 ? "KEY_" : "KEYA") + std::to_string(i * 37 % 2000), random));
  std::shuffle(names.begin(), names.end(), random);
  for (const std::string& name : names) AddKey(name);
  // Created again in another case: the same keys.
  for (int i = 0; i < 2000; i += 97) AddKey(UpperCase(names[i]));

  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end(), LessUpper);
  EXPECT_EQ(kit::SubKeyNames(HKEY_CURRENT_USER, kBase), expected);

  DWORD subKeys = 0;
  ASSERT_EQ(RegQueryInfoKeyA(base.h, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 2000u);
  Key opened;
  std::string lower = names[1234];
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(RegOpenKeyExA(base.h, lower.c_str(), 0, KEY_READ, &opened.h), ERROR_SUCCESS);
  // Walking backwards gives the same names.
  for (DWORD i = 2000; i-- > 1990;) EXPECT_EQ(KeyAt(i), expected[i]);
}

TEST_F(RegistryScale, ThousandsOfValuesKeepCreationOrderAndTheirFirstName) {
  std::mt19937 random(11);
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i) names.push_back(RandomCase("VALUE" + std::to_string(i), random));
  std::shuffle(names.begin(), names.end(), random);
  for (const std::string& name : names) SetString(name, "first");
  // Set again under another spelling: same place, same name, new data.
  for (int i = 0; i < 2000; i += 3) SetString(UpperCase(names[i]), "second");
  for (int i = 1; i < 2000; i += 5)
    ASSERT_EQ(RegDeleteValueA(base.h, UpperCase(names[i]).c_str()), ERROR_SUCCESS);

  std::vector<std::string> expected;
  for (int i = 0; i < 2000; ++i)
    if (i % 5 != 1) expected.push_back(names[i]);
  std::vector<std::string> listed;
  for (DWORD i = 0;; ++i) {
    std::string name = ValueAt(i);
    if (name.empty()) break;
    listed.push_back(name);
  }
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, kBase, names[3]).second, std::string("second", 7));
  EXPECT_EQ(kit::ReadValue(HKEY_CURRENT_USER, kBase, names[4]).second, std::string("first", 6));
  EXPECT_EQ(RegDeleteValueA(base.h, names[1].c_str()), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryScale, DeletingWhileEnumeratingGivesWhatTheIndexesGive) {
  for (int i = 0; i < 1000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "k%04d", i);
    AddKey(name);
    SetString(name, "x");
  }
  // Index i then delete: each deletion moves the rest down, so every other one stays.
  for (DWORD i = 0;; ++i) {
    std::string name = KeyAt(i);
    if (name.empty()) break;
    ASSERT_EQ(RegDeleteKeyA(base.h, name.c_str()), ERROR_SUCCESS);
  }
  std::vector<std::string> left = kit::SubKeyNames(HKEY_CURRENT_USER, kBase);
  ASSERT_EQ(left.size(), 500u);
  EXPECT_EQ(left.front(), "k0001");
  EXPECT_EQ(left.back(), "k0999");
  // Index 0 then delete empties the key.
  for (std::string name; !(name = KeyAt(0)).empty();)
    ASSERT_EQ(RegDeleteKeyA(base.h, name.c_str()), ERROR_SUCCESS);
  EXPECT_TRUE(kit::SubKeyNames(HKEY_CURRENT_USER, kBase).empty());

  for (DWORD i = 0;; ++i) {
    std::string name = ValueAt(i);
    if (name.empty()) break;
    ASSERT_EQ(RegDeleteValueA(base.h, name.c_str()), ERROR_SUCCESS);
  }
  EXPECT_EQ(ValueAt(0), "k0001");
  EXPECT_EQ(ValueAt(499), "k0999");
  for (std::string name; !(name = ValueAt(0)).empty();)
    ASSERT_EQ(RegDeleteValueA(base.h, name.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(ValueAt(0), "");
}

// Any mix of enumeration by index, creation and deletion gives what a fresh enumeration
// gives: checked against a plain model of sorted names and of creation order.
TEST_F(RegistryScale, EnumerationAgreesWithAModelWhileTheKeyChanges) {
  std::mt19937 random(3);
  std::vector<std::string> keys, values;  // keys sorted by upper case; values in creation order
  for (int step = 0; step < 6000; ++step) {
    std::string name = RandomCase("n" + std::to_string(random() % 400), random);
    std::string upper = UpperCase(name);
    auto sameName = [&](const std::string& other) { return UpperCase(other) == upper; };
    switch (random() % 6) {
      case 0:
        if (std::none_of(keys.begin(), keys.end(), sameName)) {
          keys.insert(std::lower_bound(keys.begin(), keys.end(), name, LessUpper), name);
          AddKey(name);
        }
        break;
      case 1: {
        auto it = std::find_if(keys.begin(), keys.end(), sameName);
        ASSERT_EQ(RegDeleteKeyA(base.h, name.c_str()),
                  it == keys.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
        if (it != keys.end()) keys.erase(it);
        break;
      }
      case 2:
        if (std::none_of(values.begin(), values.end(), sameName)) values.push_back(name);
        SetString(name, "v");
        break;
      case 3: {
        auto it = std::find_if(values.begin(), values.end(), sameName);
        ASSERT_EQ(RegDeleteValueA(base.h, name.c_str()),
                  it == values.end() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS);
        if (it != values.end()) values.erase(it);
        break;
      }
      case 4: {
        // A short walk from a random index, forwards or backwards.
        std::size_t at = random() % (keys.size() + 2);
        for (int k = 0; k < 4; ++k, at = random() % 2 ? at + 1 : at - 1) {
          at %= keys.size() + 2;
          ASSERT_EQ(KeyAt(static_cast<DWORD>(at)), at < keys.size() ? keys[at] : "") << step;
        }
        break;
      }
      case 5: {
        std::size_t at = random() % (values.size() + 2);
        for (int k = 0; k < 4; ++k, at = random() % 2 ? at + 1 : at - 1) {
          at %= values.size() + 2;
          ASSERT_EQ(ValueAt(static_cast<DWORD>(at)), at < values.size() ? values[at] : "") << step;
        }
        break;
      }
    }
  }
  EXPECT_EQ(kit::SubKeyNames(HKEY_CURRENT_USER, kBase), keys);
}

// Long walks by index over a key made in bulk, while keys and values come, go and come
// back under their old names: the walk goes on where it was however the key is reordered
// or compacted behind it. Checked at every step against plain models.
TEST_F(RegistryScale, LongWalksWhileTheKeyChangesAgreeWithAModel) {
  std::mt19937 random(5);
  // Long names share their first eight letters, so that their order rests on the rest.
  auto nameOf = [&](int n) {
    return RandomCase(n % 2 ? "Component" + std::to_string(n) : "k" + std::to_string(n), random);
  };
  std::vector<std::string> keys, values, gone;
  auto keyIndex = [&](const std::string& name) {
    return std::lower_bound(keys.begin(), keys.end(), name, LessUpper) - keys.begin();
  };
  auto addKey = [&](const std::string& name) {
    keys.insert(keys.begin() + keyIndex(name), name);
    AddKey(name);
  };
  auto removeKey = [&](std::size_t at) {
    ASSERT_EQ(RegDeleteKeyA(base.h, keys[at].c_str()), ERROR_SUCCESS);
    gone.push_back(keys[at]);
    keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(at));
  };
  for (int n = 0; n < 3000; ++n) {
    keys.push_back(nameOf(n));
    AddKey(keys.back());
    values.push_back(keys.back());
    SetString(values.back(), "v");
  }
  std::sort(keys.begin(), keys.end(), LessUpper);
  int next = 3000;

  // A walk that adds before and after its place, deletes at, before and after it (most
  // keys go, so that the key compacts under the walk) and brings deleted names back.
  for (std::size_t i = 0; i < keys.size(); ++i) {
    ASSERT_EQ(KeyAt(static_cast<DWORD>(i)), keys[i]) << i;
    switch (random() % 8) {
      case 0: {
        std::string current = keys[i];
        addKey(nameOf(next++));
        i = keyIndex(current);
        break;
      }
      case 1:
        if (!gone.empty()) {
          std::string back = RandomCase(gone[random() % gone.size()], random);
          if (std::none_of(keys.begin(), keys.end(),
                           [&](const std::string& k) { return UpperCase(k) == UpperCase(back); })) {
            std::string current = keys[i];
            addKey(back);
            i = keyIndex(current);
          }
        }
        break;
      default: {
        // Delete the walk's item or one near it; the walk then goes on from the same index
        // when its item or one before it went.
        std::size_t at =
            std::min(keys.size() - 1, i - std::min<std::size_t>(i, random() % 3) + random() % 3);
        removeKey(at);
        if (at <= i) --i;
        break;
      }
    }
  }
  // Many more with no enumeration between them.
  for (int n = 0; n < 300; ++n) addKey(nameOf(next++));
  EXPECT_EQ(kit::SubKeyNames(HKEY_CURRENT_USER, kBase), keys);

  // Values: a walk that adds, deletes at and ahead of its place (most values go, so that the
  // key compacts under the walk) and moves on.
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_EQ(ValueAt(static_cast<DWORD>(i)), values[i]) << i;
    std::size_t r = random() % 8, at = std::min(values.size() - 1, i + (r == 5));
    if (r == 0) {
      values.push_back(nameOf(next++));
      SetString(values.back(), "w");
    } else if (r < 6) {
      ASSERT_EQ(RegDeleteValueA(base.h, UpperCase(values[at]).c_str()), ERROR_SUCCESS);
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(at));
      if (at == i) --i;
    }
  }
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_EQ(ValueAt(static_cast<DWORD>(i)), values[i]) << i;

  // Index 0 and delete, with additions between, empties the key in order.
  while (!keys.empty()) {
    ASSERT_EQ(KeyAt(0), keys[0]);
    removeKey(0);
    if (random() % 16 == 0) addKey(nameOf(next++));
  }
  EXPECT_EQ(KeyAt(0), "");
}

TEST_F(RegistryScale, QueryInfoMaximaFollowRemovals) {
  auto info = [&](DWORD& subKeys, DWORD& maxSubKey, DWORD& values, DWORD& maxName, DWORD& maxData) {
    ASSERT_EQ(RegQueryInfoKeyA(base.h, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                               &values, &maxName, &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
  };
  for (int i = 1; i <= 300; ++i) {
    AddKey(std::string(i % 40 + 1, 'k') + std::to_string(i));
    SetString(std::string(i % 30 + 1, 'v') + std::to_string(i), std::string(i % 50, 'd'));
  }
  AddKey(std::string(120, 'K'));
  SetString(std::string(100, 'V'), std::string(500, 'D'));
  SetString("short", std::string(900, 'D'));
  DWORD subKeys, maxSubKey, values, maxName, maxData;
  info(subKeys, maxSubKey, values, maxName, maxData);
  EXPECT_EQ(subKeys, 301u);
  EXPECT_EQ(maxSubKey, 120u);
  EXPECT_EQ(values, 302u);
  EXPECT_EQ(maxName, 100u);
  EXPECT_EQ(maxData, 901u);

  // The longest go: the maxima are those of what is left. Data set shorter counts too.
  ASSERT_EQ(RegDeleteKeyA(base.h, std::string(120, 'K').c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(base.h, std::string(100, 'V').c_str()), ERROR_SUCCESS);
  SetString("short", "");
  info(subKeys, maxSubKey, values, maxName, maxData);
  EXPECT_EQ(subKeys, 300u);
  EXPECT_EQ(maxSubKey, 40u + 3);  // forty "k" and three digits are the longest left
  EXPECT_EQ(values, 301u);
  EXPECT_EQ(maxName, 30u + 3);
  EXPECT_EQ(maxData, 50u);
}

}  // namespace
