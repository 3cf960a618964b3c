// The machine's environment and code page (kernel32) on the simulated machine.
#pragma once

#include "winsim/types.h"

#define ERROR_ENVVAR_NOT_FOUND 203L
#define CP_ACP 0

extern "C" {
DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize);
UINT WINAPI GetACP(void);
}
