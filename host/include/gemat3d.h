// 4x4 transformation matrix of the geometry library (entry[row][column]; points are
// column vectors, so M * p transforms p).
#pragma once

#include "geplane.h"

class GE_DLLEXPIMPORT AcGeMatrix3d {
public:
    AcGeMatrix3d() { setToIdentity(); }

    static const AcGeMatrix3d kIdentity;

    AcGeMatrix3d& setToIdentity();
    AcGeMatrix3d operator*(const AcGeMatrix3d& m) const;
    AcGeMatrix3d& operator*=(const AcGeMatrix3d& m) { return *this = *this * m; }
    AcGeMatrix3d& preMultBy(const AcGeMatrix3d& leftSide) { return *this = leftSide * *this; }
    AcGeMatrix3d& postMultBy(const AcGeMatrix3d& rightSide) { return *this = *this * rightSide; }
    AcGeMatrix3d inverse() const;
    AcGeMatrix3d& invert() { return *this = inverse(); }
    double det() const;
    bool isSingular(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isUniScaledOrtho(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isScaledOrtho(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isEqualTo(const AcGeMatrix3d& m, const AcGeTol& tol = AcGeContext::gTol) const;
    bool operator==(const AcGeMatrix3d& m) const { return isEqualTo(m); }

    AcGeVector3d translation() const { return AcGeVector3d(entry[0][3], entry[1][3], entry[2][3]); }
    AcGeMatrix3d& setTranslation(const AcGeVector3d& v);

    AcGeMatrix3d& setToTranslation(const AcGeVector3d& vec);
    AcGeMatrix3d& setToRotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center = AcGePoint3d::kOrigin);
    AcGeMatrix3d& setToScaling(double scaleAll, const AcGePoint3d& center = AcGePoint3d::kOrigin);
    AcGeMatrix3d& setToMirroring(const AcGePlane& plane);
    AcGeMatrix3d& setToMirroring(const AcGePoint3d& pnt);
    AcGeMatrix3d& setToMirroring(const AcGeLine3d& line);

    static AcGeMatrix3d translation(const AcGeVector3d& vec);
    static AcGeMatrix3d rotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center = AcGePoint3d::kOrigin);
    static AcGeMatrix3d scaling(double scaleAll, const AcGePoint3d& center = AcGePoint3d::kOrigin);
    static AcGeMatrix3d mirroring(const AcGePlane& plane);
    static AcGeMatrix3d mirroring(const AcGePoint3d& pnt);
    static AcGeMatrix3d mirroring(const AcGeLine3d& line);

    // Length of the longest column of the 3x3 part: the largest axis scale factor.
    double scale() const;
    double norm() const;

    double operator()(unsigned row, unsigned col) const { return entry[row][col]; }
    double& operator()(unsigned row, unsigned col) { return entry[row][col]; }

    double entry[4][4];
};

inline AcGePoint3d operator*(const AcGeMatrix3d& m, const AcGePoint3d& p)
{
    return AcGePoint3d(m.entry[0][0] * p.x + m.entry[0][1] * p.y + m.entry[0][2] * p.z + m.entry[0][3],
                       m.entry[1][0] * p.x + m.entry[1][1] * p.y + m.entry[1][2] * p.z + m.entry[1][3],
                       m.entry[2][0] * p.x + m.entry[2][1] * p.y + m.entry[2][2] * p.z + m.entry[2][3]);
}

inline AcGeVector3d operator*(const AcGeMatrix3d& m, const AcGeVector3d& v)
{
    return AcGeVector3d(m.entry[0][0] * v.x + m.entry[0][1] * v.y + m.entry[0][2] * v.z,
                        m.entry[1][0] * v.x + m.entry[1][1] * v.y + m.entry[1][2] * v.z,
                        m.entry[2][0] * v.x + m.entry[2][1] * v.y + m.entry[2][2] * v.z);
}

inline AcGePoint3d& AcGePoint3d::transformBy(const AcGeMatrix3d& leftSide) { return *this = leftSide * *this; }
inline AcGeVector3d& AcGeVector3d::transformBy(const AcGeMatrix3d& leftSide) { return *this = leftSide * *this; }
