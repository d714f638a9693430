// Geometric tolerance: how close two points or vectors must be to count as equal.
#pragma once

#include "adesk.h"

class GE_DLLEXPIMPORT AcGeTol {
public:
    AcGeTol() : mTolArr{1e-10, 1e-12, 0, 0, 0}, mAbs(0) {}
    double equalPoint() const { return mTolArr[0]; }
    double equalVector() const { return mTolArr[1]; }
    void setEqualPoint(double val) { mTolArr[0] = val; }
    void setEqualVector(double val) { mTolArr[1] = val; }

private:
    double mTolArr[5];
    int mAbs;
};
