// Utility services of the host: command-window output and result-buffer lists.
#pragma once

#include "adsdef.h"

// Prints to the command window. %s takes a wide string; output is never cut.
ACCORE_PORT int acutPrintf(const ACHAR* format, ...);
ACCORE_PORT struct resbuf* acutNewRb(int v);
ACCORE_PORT int acutRelRb(struct resbuf* rb);
ACCORE_PORT struct resbuf* acutBuildList(int rtype, ...);
