// Host actions that other actions run themselves with the same session.
#pragma once

#include "foundation/action.h"

CUSTOM_ACTION KyrCSetDesktop(MSIHANDLE session);
