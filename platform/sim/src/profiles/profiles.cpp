// INI files read with Windows' rules: sections and keys found without regard to case,
// the first of duplicates wins, blanks around keys and values dropped, one pair of
// matching quotes around a value dropped. A file named without a folder lives in the
// Windows folder.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "files/file_system.h"
#include "winsim/machine.h"

namespace {

struct Entry {
  std::string key;
  std::string value;
};
struct Section {
  std::string name;
  std::vector<Entry> entries;
};

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

bool ReadSections(const char* fileName, std::vector<Section>& sections) {
  std::string name = fileName;
  if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos)
    name = "C:\\Windows\\" + name;
  std::string host = winsim::HostPath(name);
  std::ifstream in(host, std::ios::binary);
  if (host.empty() || !in || winsim::detail::HostIsDirectory(host)) return false;
  std::string line;
  while (std::getline(in, line)) {
    std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[') {
      std::size_t close = trimmed.find(']');
      sections.push_back(
          {Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1)),
           {}});
      continue;
    }
    std::size_t equals = trimmed.find('=');
    if (sections.empty() || equals == std::string::npos) continue;
    sections.back().entries.push_back(
        {Trim(trimmed.substr(0, equals)), Unquote(Trim(trimmed.substr(equals + 1)))});
  }
  return true;
}

// Copies one text, truncated to fit with its NUL; returns the characters copied.
DWORD CopyTruncated(const std::string& text, LPSTR buffer, DWORD size) {
  if (size == 0) return 0;
  DWORD count = static_cast<DWORD>(std::min<std::size_t>(text.size(), size - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return count;
}

// Copies a list of texts, each ending in NUL and the list in a second NUL.
DWORD CopyList(const std::vector<std::string>& texts, LPSTR buffer, DWORD size) {
  if (size < 2) {
    if (size == 1) buffer[0] = '\0';
    return 0;
  }
  std::string joined;
  for (const std::string& text : texts) joined += text + '\0';
  if (joined.size() + 1 <= size) {
    std::memcpy(buffer, joined.data(), joined.size());
    buffer[joined.size()] = '\0';
    return static_cast<DWORD>(joined.size());
  }
  std::memcpy(buffer, joined.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

}  // namespace

extern "C" DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName,
                                                 LPCSTR lpDefault, LPSTR lpReturnedString,
                                                 DWORD nSize, LPCSTR lpFileName) {
  using winsim::detail::EqualNoCase;
  if (lpReturnedString == nullptr || lpFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string fallback = lpDefault ? lpDefault : "";
  fallback.erase(fallback.find_last_not_of(' ') + 1);

  std::vector<Section> sections;
  bool found = ReadSections(lpFileName, sections);
  SetLastError(found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);

  if (lpAppName == nullptr) {
    std::vector<std::string> names;
    for (const Section& section : sections) names.push_back(section.name);
    return CopyList(names, lpReturnedString, nSize);
  }
  const Section* section = nullptr;
  for (const Section& candidate : sections)
    if (!section && EqualNoCase(candidate.name, lpAppName)) section = &candidate;
  if (lpKeyName == nullptr) {
    std::vector<std::string> keys;
    if (section)
      for (const Entry& entry : section->entries) keys.push_back(entry.key);
    return CopyList(keys, lpReturnedString, nSize);
  }
  if (section)
    for (const Entry& entry : section->entries)
      if (EqualNoCase(entry.key, lpKeyName))
        return CopyTruncated(entry.value, lpReturnedString, nSize);
  return CopyTruncated(fallback, lpReturnedString, nSize);
}
