// Scale factors along the three axes of the geometry library (a block reference's X, Y
// and Z scales), with their products and their matrix.
#pragma once

#include "gemat3d.h"

class GE_DLLEXPIMPORT AcGeScale3d {
public:
    // The value of the default constructor is not documented; it is the identity here,
    // as kIdentity is.
    AcGeScale3d() : sx(1.0), sy(1.0), sz(1.0) {}
    AcGeScale3d(const AcGeScale3d& src) = default;
    AcGeScale3d(double factor) : sx(factor), sy(factor), sz(factor) {}
    AcGeScale3d(double xFact, double yFact, double zFact) : sx(xFact), sy(yFact), sz(zFact) {}
    AcGeScale3d& operator=(const AcGeScale3d& src) = default;

    static const AcGeScale3d kIdentity;

    AcGeScale3d operator*(const AcGeScale3d& sclVec) const
    {
        return AcGeScale3d(sx * sclVec.sx, sy * sclVec.sy, sz * sclVec.sz);
    }
    AcGeScale3d& operator*=(const AcGeScale3d& scl) { return *this = *this * scl; }
    AcGeScale3d& preMultBy(const AcGeScale3d& leftSide) { return *this = leftSide * *this; }
    AcGeScale3d& postMultBy(const AcGeScale3d& rightSide) { return *this = *this * rightSide; }
    AcGeScale3d& setToProduct(const AcGeScale3d& sclVec1, const AcGeScale3d& sclVec2)
    {
        return *this = sclVec1 * sclVec2;
    }
    AcGeScale3d operator*(double s) const { return AcGeScale3d(sx * s, sy * s, sz * s); }
    AcGeScale3d& operator*=(double s) { return *this = *this * s; }
    AcGeScale3d& setToProduct(const AcGeScale3d& sclVec, double s) { return *this = sclVec * s; }
    friend AcGeScale3d operator*(double s, const AcGeScale3d& scl) { return scl * s; }

    AcGeScale3d inverse() const { return AcGeScale3d(1.0 / sx, 1.0 / sy, 1.0 / sz); }
    AcGeScale3d& invert() { return *this = inverse(); }

    // All three factors equal, within the tolerance's equalVector.
    Adesk::Boolean isProportional(const AcGeTol& tol = AcGeContext::gTol) const;
    bool isEqualTo(const AcGeScale3d& scaleVec, const AcGeTol& tol = AcGeContext::gTol) const;
    bool operator==(const AcGeScale3d& sclVec) const { return isEqualTo(sclVec); }
    bool operator!=(const AcGeScale3d& sclVec) const { return !isEqualTo(sclVec); }

    double operator[](unsigned int i) const { return *(&sx + i); }
    double& operator[](unsigned int i) { return *(&sx + i); }
    AcGeScale3d& set(double sc0, double sc1, double sc2)
    {
        sx = sc0;
        sy = sc1;
        sz = sc2;
        return *this;
    }

    // The scaling matrix about the origin.
    operator AcGeMatrix3d() const;
    void getMatrix(AcGeMatrix3d& mat) const { mat = AcGeMatrix3d(*this); }
    // The lengths of the matrix's first three columns; the matrix must hold no shear.
    AcGeScale3d& extractScale(const AcGeMatrix3d& mat);
    // Takes the scale out of the matrix (its columns made of unit length) and keeps it.
    AcGeScale3d& removeScale(AcGeMatrix3d& mat);

    double sx, sy, sz;
};
