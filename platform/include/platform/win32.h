// The one header through which product code reaches Win32 and Windows Installer: the
// system headers on Windows, the simulated machine's declarations elsewhere.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// windows.h comes first: the others build on its types.
#include <windows.h>

#include <io.h>
#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>
#include <oleauto.h>
#else
#include "winsim/api.h"
#endif
