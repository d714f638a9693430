// Three-dimensional vector of the geometry library.
#pragma once

#include <cmath>

#include "gegbl.h"

class AcGeMatrix3d;

class GE_DLLEXPIMPORT AcGeVector3d {
public:
    AcGeVector3d() : x(0.0), y(0.0), z(0.0) {}
    AcGeVector3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGeVector3d kIdentity;
    static const AcGeVector3d kXAxis;
    static const AcGeVector3d kYAxis;
    static const AcGeVector3d kZAxis;

    AcGeVector3d operator+(const AcGeVector3d& v) const { return AcGeVector3d(x + v.x, y + v.y, z + v.z); }
    AcGeVector3d operator-(const AcGeVector3d& v) const { return AcGeVector3d(x - v.x, y - v.y, z - v.z); }
    AcGeVector3d operator-() const { return AcGeVector3d(-x, -y, -z); }
    AcGeVector3d operator*(double s) const { return AcGeVector3d(x * s, y * s, z * s); }
    AcGeVector3d operator/(double s) const { return AcGeVector3d(x / s, y / s, z / s); }
    AcGeVector3d& operator+=(const AcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
    AcGeVector3d& operator-=(const AcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    AcGeVector3d& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    AcGeVector3d& operator/=(double s) { x /= s; y /= s; z /= s; return *this; }

    double length() const { return std::sqrt(x * x + y * y + z * z); }
    double lengthSqrd() const { return x * x + y * y + z * z; }
    double dotProduct(const AcGeVector3d& v) const { return x * v.x + y * v.y + z * v.z; }
    AcGeVector3d crossProduct(const AcGeVector3d& v) const
    {
        return AcGeVector3d(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }
    bool isZeroLength(const AcGeTol& tol = AcGeContext::gTol) const { return length() <= tol.equalVector(); }
    bool isUnitLength(const AcGeTol& tol = AcGeContext::gTol) const
    {
        return std::fabs(length() - 1.0) <= tol.equalVector();
    }
    // A zero-length vector is returned unchanged.
    AcGeVector3d normal(const AcGeTol& tol = AcGeContext::gTol) const
    {
        double len = length();
        return len <= tol.equalVector() ? *this : AcGeVector3d(x / len, y / len, z / len);
    }
    AcGeVector3d& normalize(const AcGeTol& tol = AcGeContext::gTol) { return *this = normal(tol); }

    // Angle between the two vectors, in [0, pi].
    double angleTo(const AcGeVector3d& vec) const
    {
        return std::atan2(crossProduct(vec).length(), dotProduct(vec));
    }
    // Angle from this vector to vec, counter-clockwise about refVec, in [0, 2 pi).
    double angleTo(const AcGeVector3d& vec, const AcGeVector3d& refVec) const
    {
        double a = angleTo(vec);
        if (refVec.dotProduct(crossProduct(vec)) >= 0.0)
            return a;
        return 2.0 * M_PI - a;
    }
    AcGeVector3d& rotateBy(double ang, const AcGeVector3d& axis);
    AcGeVector3d rotateBy(double ang, const AcGeVector3d& axis) const;
    AcGeVector3d& transformBy(const AcGeMatrix3d& leftSide);
    AcGeVector3d perpVector() const;

    bool isEqualTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const
    {
        return (*this - v).length() <= tol.equalVector();
    }
    bool isParallelTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const
    {
        AcGeVector3d a = normal(tol), b = v.normal(tol);
        return (a - b).length() < tol.equalVector() || (a + b).length() < tol.equalVector();
    }
    bool isCodirectionalTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const
    {
        return (normal(tol) - v.normal(tol)).length() < tol.equalVector();
    }
    bool isPerpendicularTo(const AcGeVector3d& v, const AcGeTol& tol = AcGeContext::gTol) const
    {
        return std::fabs(normal(tol).dotProduct(v.normal(tol))) <= tol.equalVector();
    }
    bool operator==(const AcGeVector3d& v) const { return isEqualTo(v); }
    bool operator!=(const AcGeVector3d& v) const { return !isEqualTo(v); }

    double x, y, z;
};

inline AcGeVector3d operator*(double s, const AcGeVector3d& v) { return v * s; }
