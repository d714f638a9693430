// Global settings of the geometry library; gTol is the host's global tolerance.
#pragma once

#include "getol.h"

struct GE_DLLEXPIMPORT AcGeContext {
    static AcGeTol gTol;
};
