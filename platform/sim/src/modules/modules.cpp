// Libraries loaded as code: a host shared library stands under the ".dll" name. A bare
// name is looked for first in the folder of the running program, as Windows does.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <set>

#include "files/file_system.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

std::multiset<void*>& Loaded() {
  static std::multiset<void*> loaded;
  return loaded;
}

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<std::size_t>(n));
  return path.substr(0, path.find_last_of('/'));
}

// "Name.dll" is built here as "Name.so".
std::string HostLibraryName(const std::string& name) {
  std::string base = name;
  if (base.size() > 4 && EqualNoCase(base.substr(base.size() - 4), ".dll"))
    base.resize(base.size() - 4);
  return base + ".so";
}

}  // namespace

void ResetModules() {}

}  // namespace winsim::detail

using namespace winsim::detail;

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  if (lpLibFileName == nullptr || *lpLibFileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string name = lpLibFileName;
  std::string host;
  if (name.find('\\') == std::string::npos && name.find('/') == std::string::npos) {
    host = ProgramFolder() + "/" + HostLibraryName(name);
  } else {
    std::string mapped = winsim::HostPath(name);
    std::size_t slash = mapped.find_last_of('/');
    host = mapped.substr(0, slash + 1) + HostLibraryName(mapped.substr(slash + 1));
  }
  if (!HostExists(host)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  void* module = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  Loaded().insert(module);
  return static_cast<HMODULE>(module);
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (Loaded().count(hModule) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = dlsym(hModule, lpProcName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  auto it = Loaded().find(hLibModule);
  if (it == Loaded().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Loaded().erase(it);
  dlclose(hLibModule);
  return TRUE;
}
