#include <cctype>
#include <cstring>

#include "core/internal.h"
#include "winsim/machine.h"

namespace winsim::detail {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Upper(a) == Upper(b);
}

bool LessNoCase::operator()(const std::string& a, const std::string& b) const {
  return Upper(a) < Upper(b);
}

bool CopyOut(const std::string& text, char* buffer, std::size_t capacity) {
  if (buffer == nullptr || text.size() + 1 > capacity) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace winsim::detail

namespace {
thread_local DWORD lastError = 0;
}

extern "C" DWORD WINAPI GetLastError(void) { return lastError; }
extern "C" void WINAPI SetLastError(DWORD code) { lastError = code; }

namespace winsim {

void Reset(const std::string& hostFolder) {
  detail::ResetInstaller();
  detail::ResetModules();
  detail::ResetRegistry();
  detail::ResetFiles(hostFolder);
  detail::ResetUi();
  detail::ResetSystem();
  SetLastError(0);
}

}  // namespace winsim
