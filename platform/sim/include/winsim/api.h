// Everything the simulated machine declares under the Win32 and Windows Installer names.
#pragma once

#include "winsim/files.h"
#include "winsim/modules.h"
#include "winsim/msi.h"
#include "winsim/profiles.h"
#include "winsim/registry.h"
#include "winsim/system.h"
#include "winsim/types.h"
#include "winsim/ui.h"
