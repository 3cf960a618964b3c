#include <algorithm>

#include "kit.h"

namespace kit {
namespace {

struct Key {
  HKEY handle = nullptr;
  ~Key() {
    if (handle) RegCloseKey(handle);
  }
};

void Create(HKEY root, const std::string& path, Key& key) {
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key.handle, nullptr),
            ERROR_SUCCESS)
      << path;
}

}  // namespace

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const std::string& bytes) {
  Key key;
  Create(root, path, key);
  ASSERT_EQ(
      RegSetValueExA(key.handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS);
}

void SetString(HKEY root, const std::string& path, const std::string& name,
               const std::string& value) {
  SetValue(root, path, name, REG_SZ, std::string(value.c_str(), value.size() + 1));
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
  SetValue(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void CreateKey(HKEY root, const std::string& path) {
  Key key;
  Create(root, path, key);
}

bool KeyExists(HKEY root, const std::string& path) {
  Key key;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key.handle) == ERROR_SUCCESS;
}

std::pair<DWORD, std::string> ReadValue(HKEY root, const std::string& path,
                                        const std::string& name) {
  Key key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key.handle) != ERROR_SUCCESS) return {0, ""};
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.handle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {0, ""};
  std::string bytes(size, '\0');
  if (size && RegQueryValueExA(key.handle, name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&bytes[0]), &size) != ERROR_SUCCESS)
    return {0, ""};
  bytes.resize(size);
  return {type, bytes};
}

bool ValueExists(HKEY root, const std::string& path, const std::string& name) {
  return ReadValue(root, path, name).first != 0;
}

// The names of a key's subkeys or values, in the order the registry gives them.
static std::vector<std::string> Names(HKEY root, const std::string& path, bool values) {
  std::vector<std::string> names;
  Key key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key.handle) != ERROR_SUCCESS) return names;
  char name[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    LSTATUS status =
        values
            ? RegEnumValueA(key.handle, index, name, &length, nullptr, nullptr, nullptr, nullptr)
            : RegEnumKeyExA(key.handle, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> SubKeyNames(HKEY root, const std::string& path) {
  return Names(root, path, false);
}

std::string DumpTree(HKEY root, const std::string& path) {
  if (!KeyExists(root, path)) return "";
  std::vector<std::string> values;
  for (const std::string& name : Names(root, path, true)) {
    auto value = ReadValue(root, path, name);
    std::string line = "  " + name + " = " + std::to_string(value.first) + ":";
    for (unsigned char c : value.second) {
      const char* digits = "0123456789abcdef";
      line += digits[c >> 4];
      line += digits[c & 15];
    }
    values.push_back(line + "\n");
  }
  std::sort(values.begin(), values.end());
  std::string text = "[" + path + "]\n";
  for (const std::string& line : values) text += line;
  for (const std::string& child : SubKeyNames(root, path))
    text += DumpTree(root, path + "\\" + child);
  return text;
}

void DeleteKeyTree(HKEY root, const std::string& path) {
  for (const std::string& child : SubKeyNames(root, path)) DeleteKeyTree(root, path + "\\" + child);
  RegDeleteKeyA(root, path.c_str());
}

ScratchKey::ScratchKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
  DeleteKeyTree(root_, path_);
}

ScratchKey::~ScratchKey() { DeleteKeyTree(root_, path_); }

}  // namespace kit
