// Two-dimensional point of the geometry library.
#pragma once

#include "gevec2d.h"

class GE_DLLEXPIMPORT AcGePoint2d {
public:
    AcGePoint2d() : x(0.0), y(0.0) {}
    AcGePoint2d(double xx, double yy) : x(xx), y(yy) {}

    static const AcGePoint2d kOrigin;

    AcGePoint2d operator+(const AcGeVector2d& v) const { return AcGePoint2d(x + v.x, y + v.y); }
    AcGePoint2d operator-(const AcGeVector2d& v) const { return AcGePoint2d(x - v.x, y - v.y); }
    AcGeVector2d operator-(const AcGePoint2d& p) const { return AcGeVector2d(x - p.x, y - p.y); }
    AcGePoint2d& operator+=(const AcGeVector2d& v) { x += v.x; y += v.y; return *this; }
    double distanceTo(const AcGePoint2d& p) const { return (*this - p).length(); }
    AcGeVector2d asVector() const { return AcGeVector2d(x, y); }
    bool isEqualTo(const AcGePoint2d& p, const AcGeTol& tol = AcGeContext::gTol) const
    {
        return (*this - p).length() <= tol.equalPoint();
    }
    bool operator==(const AcGePoint2d& p) const { return isEqualTo(p); }
    bool operator!=(const AcGePoint2d& p) const { return !isEqualTo(p); }

    double x, y;
};
