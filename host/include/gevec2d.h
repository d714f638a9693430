// Two-dimensional vector of the geometry library.
#pragma once

#include <cmath>

#include "gegbl.h"

class GE_DLLEXPIMPORT AcGeVector2d {
public:
    AcGeVector2d() : x(0.0), y(0.0) {}
    AcGeVector2d(double xx, double yy) : x(xx), y(yy) {}

    static const AcGeVector2d kIdentity;
    static const AcGeVector2d kXAxis;
    static const AcGeVector2d kYAxis;

    AcGeVector2d operator+(const AcGeVector2d& v) const { return AcGeVector2d(x + v.x, y + v.y); }
    AcGeVector2d operator-(const AcGeVector2d& v) const { return AcGeVector2d(x - v.x, y - v.y); }
    AcGeVector2d operator-() const { return AcGeVector2d(-x, -y); }
    AcGeVector2d operator*(double s) const { return AcGeVector2d(x * s, y * s); }
    AcGeVector2d operator/(double s) const { return AcGeVector2d(x / s, y / s); }
    AcGeVector2d& operator+=(const AcGeVector2d& v) { x += v.x; y += v.y; return *this; }
    AcGeVector2d& operator-=(const AcGeVector2d& v) { x -= v.x; y -= v.y; return *this; }
    AcGeVector2d& operator*=(double s) { x *= s; y *= s; return *this; }
    double length() const { return std::sqrt(x * x + y * y); }
    double lengthSqrd() const { return x * x + y * y; }
    double dotProduct(const AcGeVector2d& v) const { return x * v.x + y * v.y; }
    double angle() const { double a = std::atan2(y, x); return a < 0 ? a + 2 * M_PI : a; }
    AcGeVector2d normal(const AcGeTol& tol = AcGeContext::gTol) const
    {
        double len = length();
        return len <= tol.equalVector() ? *this : AcGeVector2d(x / len, y / len);
    }
    bool isEqualTo(const AcGeVector2d& v, const AcGeTol& tol = AcGeContext::gTol) const
    {
        return (*this - v).length() <= tol.equalVector();
    }
    bool operator==(const AcGeVector2d& v) const { return isEqualTo(v); }
    bool operator!=(const AcGeVector2d& v) const { return !isEqualTo(v); }

    double x, y;
};

inline AcGeVector2d operator*(double s, const AcGeVector2d& v) { return v * s; }
