// Editor services of the host: commands, the display, and the editor input calls.
#pragma once

#include "accmd.h"
#include "acedads.h"
#include "acutads.h"

// Brings pending changes to the screen at once.
ACCORE_PORT void acedUpdateDisplay();
