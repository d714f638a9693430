// Knot vectors of the geometry library; the stand-in declares only the tolerance that
// the spline's constructors take as a default.
#pragma once

#include "adesk.h"

class GE_DLLEXPIMPORT AcGeKnotVector {
public:
    // Knots closer than this count as one. The real library's value is not documented;
    // the stand-in uses 1e-9.
    static double globalKnotTolerance;
};
