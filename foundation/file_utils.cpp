#include "file_utils.h"

#include <cstring>

namespace {
const int kReadPermission = 4;
const DWORD kCurrentFolderRequest = MAX_PATH - 1;
const DWORD kIniTextLimit = 1023;

// The leading decimal number of a text as the C runtime reads one: blanks, a sign,
// digits up to the first other character; 0 when there are none.
int LeadingNumber(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  long long value = 0;
  for (; *text >= '0' && *text <= '9' && value <= 2147483648LL; ++text)
    value = value * 10 + (*text - '0');
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  if (value < -2147483647LL - 1) value = -2147483647LL - 1;
  return static_cast<int>(value);
}
}  // namespace

bool PathExists(const char* path) { return _access(path, kReadPermission) == 0; }

bool FileOpensForReading(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

DWORD GetCurrentFolder(char* buffer) {
  buffer[0] = '\0';
  DWORD length = GetCurrentDirectoryA(kCurrentFolderRequest, buffer);
  // A result as large as the request is the size a longer folder needs: nothing was
  // filled, so it counts as a failure.
  if (length == 0 || length >= kCurrentFolderRequest) {
    buffer[0] = '\0';
    return 0;
  }
  if (buffer[length - 1] == '\\') buffer[length - 1] = '\0';
  return length;
}

bool DirectoryExists(const char* path) {
  char saved[MAX_PATH];
  bool haveSaved = GetCurrentFolder(saved) != 0;
  bool changed = SetCurrentDirectoryA(path) != FALSE;
  // Go back only to a folder that was really read; a drive root was saved as "C:" and
  // needs its backslash again, since "C:" alone means that drive's current folder.
  if (haveSaved) {
    std::size_t length = std::strlen(saved);
    if (length == 2 && saved[1] == ':') {
      saved[2] = '\\';
      saved[3] = '\0';
    }
    SetCurrentDirectoryA(saved);
  }
  return changed;
}

void StripTrailingBackslash(char* path) {
  std::size_t length = std::strlen(path);
  if (length == 0 || path[length - 1] != '\\') return;
  if (length >= 2 && path[length - 2] == ':') return;
  path[length - 1] = '\0';
}

bool AppendPathPart(char* folder, const char* name) {
  std::size_t length = std::strlen(folder);
  if (length == 0 || folder[length - 1] != '\\') std::strcat(folder, "\\");
  if (std::strlen(name) >= 2 && name[0] == '\\') ++name;
  std::strcat(folder, name);
  return true;
}

DWORD ReadIniString(const char* file, const char* section, const char* key, std::string& text) {
  char buffer[kIniTextLimit + 1] = "";
  DWORD length = GetPrivateProfileStringA(section, key, "", buffer, kIniTextLimit, file);
  text.assign(buffer, length);
  return length;
}

bool ReadIniNumber(const char* file, const char* section, const char* key, int& number) {
  char buffer[kIniTextLimit + 1] = "";
  GetPrivateProfileStringA(section, key, "-1", buffer, kIniTextLimit, file);
  number = LeadingNumber(buffer);
  return number >= 0;
}
