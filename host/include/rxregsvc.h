// Registration services of the run-time system.
#pragma once

#include "rxdlinkr.h"

ACBASE_PORT bool acrxUnlockApplication(void* appId);
ACBASE_PORT bool acrxLockApplication(void* appId);
ACBASE_PORT bool acrxRegisterAppMDIAware(void* appId);
ACBASE_PORT bool acrxRegisterAppNotMDIAware(void* appId);
