// The geometry library's global enumerations; the stand-in declares those its curves use.
#pragma once

#include "adesk.h"

struct GE_DLLEXPIMPORT AcGe {
    // How the parameters of fit points are spread when a curve is fitted through them:
    // by chord length, by its square root, or one step per point.
    enum KnotParameterization {
        kChord = 0,
        kSqrtChord = 1,
        kUniform = 2,
        kCustomParameterization = 15,
        kNotDefinedKnotParam = 16
    };
};
