// Three-dimensional point of the geometry library.
#pragma once

#include "gevec3d.h"

class GE_DLLEXPIMPORT AcGePoint3d {
public:
    AcGePoint3d() : x(0.0), y(0.0), z(0.0) {}
    AcGePoint3d(double xx, double yy, double zz) : x(xx), y(yy), z(zz) {}

    static const AcGePoint3d kOrigin;

    AcGePoint3d operator+(const AcGeVector3d& v) const { return AcGePoint3d(x + v.x, y + v.y, z + v.z); }
    AcGePoint3d operator-(const AcGeVector3d& v) const { return AcGePoint3d(x - v.x, y - v.y, z - v.z); }
    AcGeVector3d operator-(const AcGePoint3d& p) const { return AcGeVector3d(x - p.x, y - p.y, z - p.z); }
    AcGePoint3d& operator+=(const AcGeVector3d& v) { x += v.x; y += v.y; z += v.z; return *this; }
    AcGePoint3d& operator-=(const AcGeVector3d& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    AcGePoint3d operator*(double s) const { return AcGePoint3d(x * s, y * s, z * s); }

    AcGePoint3d& transformBy(const AcGeMatrix3d& leftSide);
    AcGePoint3d& rotateBy(double angle, const AcGeVector3d& vec, const AcGePoint3d& wrtPoint = kOrigin);
    AcGePoint3d& scaleBy(double scaleFactor, const AcGePoint3d& wrtPoint = kOrigin);

    double distanceTo(const AcGePoint3d& p) const { return (*this - p).length(); }
    AcGeVector3d asVector() const { return AcGeVector3d(x, y, z); }
    bool isEqualTo(const AcGePoint3d& p, const AcGeTol& tol = AcGeContext::gTol) const
    {
        return (*this - p).length() <= tol.equalPoint();
    }
    // Tolerant comparison, as the host's operator does.
    bool operator==(const AcGePoint3d& p) const { return isEqualTo(p); }
    bool operator!=(const AcGePoint3d& p) const { return !isEqualTo(p); }

    double x, y, z;
};

inline AcGePoint3d operator*(double s, const AcGePoint3d& p) { return p * s; }
