// Private-profile (INI file) functions (kernel32) of the simulated machine.
#pragma once

#include "winsim/types.h"

extern "C" {
DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
}
