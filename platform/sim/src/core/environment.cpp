// The machine's own environment variables and ANSI code page, never the host's.
#include <cstring>

#include "core/internal.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

struct SystemState {
  std::map<std::string, std::string, LessNoCase> environment;
  UINT codePage = 1252;
};
SystemState& TheSystem() {
  static SystemState state;
  return state;
}

const std::string* FindVariable(const std::string& name) {
  auto found = TheSystem().environment.find(name);
  return found == TheSystem().environment.end() ? nullptr : &found->second;
}

}  // namespace

void ResetSystem() {
  TheSystem().environment.clear();
  TheSystem().codePage = 1252;
}

}  // namespace winsim::detail

using winsim::detail::FindVariable;

extern "C" DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
  const std::string* value = lpName ? FindVariable(lpName) : nullptr;
  if (value == nullptr) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  // Too small a buffer gets nothing; the result is then the size needed with the NUL.
  if (!winsim::detail::CopyOut(*value, lpBuffer, nSize))
    return static_cast<DWORD>(value->size() + 1);
  return static_cast<DWORD>(value->size());
}

extern "C" DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize) {
  if (lpSrc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // %NAME% of a defined variable is replaced; anything else stays as written.
  std::string out;
  for (const char* p = lpSrc; *p;) {
    const char* close = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
    const std::string* value =
        close && close > p + 1 ? FindVariable(std::string(p + 1, close)) : nullptr;
    if (value) {
      out += *value;
      p = close + 1;
    } else {
      out += *p++;
    }
  }
  // The result counts the terminating NUL, whether or not the text fitted.
  DWORD needed = static_cast<DWORD>(out.size() + 1);
  if (lpDst && nSize >= needed) std::memcpy(lpDst, out.c_str(), needed);
  return needed;
}

extern "C" UINT WINAPI GetACP(void) { return winsim::detail::TheSystem().codePage; }

namespace winsim {

void SetEnvironment(const std::map<std::string, std::string>& variables) {
  auto& environment = detail::TheSystem().environment;
  environment.clear();
  environment.insert(variables.begin(), variables.end());
}

std::map<std::string, std::string> Environment() {
  const auto& environment = detail::TheSystem().environment;
  return {environment.begin(), environment.end()};
}

void SetCodePage(UINT codePage) { detail::TheSystem().codePage = codePage; }

}  // namespace winsim
