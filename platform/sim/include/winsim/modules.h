// Dynamic libraries (kernel32) of the simulated machine: a library loaded as code is a
// host shared library found under the ".dll" name.
#pragma once

#include "winsim/types.h"

extern "C" {
HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);
}
