#include <atomic>
#include <cctype>

#include "kit.h"

namespace kit {

void MakeFolder(const std::string& path) {
  // Each missing level in turn, as a person would create them.
  for (std::size_t at = path.find('\\', 3);; at = path.find('\\', at + 1)) {
    std::string level = path.substr(0, at);
    if (GetFileAttributesA(level.c_str()) == INVALID_FILE_ATTRIBUTES) {
      ASSERT_TRUE(CreateDirectoryA(level.c_str(), nullptr)) << level << " error " << GetLastError();
    }
    if (at == std::string::npos) break;
  }
}

void WriteFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  DWORD written = 0;
  BOOL ok =
      ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == content.size()) << path;
}

std::string ReadFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    content.append(buffer, got);
  CloseHandle(file);
  return content;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  for (const std::string& name : names) RemoveTree(path + "\\" + name);
  RemoveDirectoryA(path.c_str());
}

std::string CurrentFolder() {
  char buffer[1024];
  DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return length < sizeof buffer ? std::string(buffer, length) : "";
}

namespace {
std::atomic<int> scratchCount{0};
}

ScratchFolder::ScratchFolder() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? test->name() : "scratch";
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  path_ = "C:\\kit-" + name + "-" + std::to_string(++scratchCount);
  RemoveTree(path_);
  MakeFolder(path_);
}

ScratchFolder::~ScratchFolder() {
  // A test may leave the current folder inside; step out so the folder can go.
  if (CurrentFolder().rfind(path_, 0) == 0) SetCurrentDirectoryA("C:\\");
  RemoveTree(path_);
}

}  // namespace kit
