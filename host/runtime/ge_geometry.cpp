// The geometry library's constants, rotations and 4x4 matrix operations.
#include <cmath>

#include "gemat3d.h"
#include "gepnt2d.h"

AcGeTol AcGeContext::gTol;

const AcGeVector2d AcGeVector2d::kIdentity(0.0, 0.0);
const AcGeVector2d AcGeVector2d::kXAxis(1.0, 0.0);
const AcGeVector2d AcGeVector2d::kYAxis(0.0, 1.0);
const AcGePoint2d AcGePoint2d::kOrigin(0.0, 0.0);
const AcGeVector3d AcGeVector3d::kIdentity(0.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kXAxis(1.0, 0.0, 0.0);
const AcGeVector3d AcGeVector3d::kYAxis(0.0, 1.0, 0.0);
const AcGeVector3d AcGeVector3d::kZAxis(0.0, 0.0, 1.0);
const AcGePoint3d AcGePoint3d::kOrigin(0.0, 0.0, 0.0);
const AcGeMatrix3d AcGeMatrix3d::kIdentity;

namespace {

// Rotation of v about the unit axis by angle (right-hand rule), by Rodrigues' formula.
AcGeVector3d rotated(const AcGeVector3d& v, double angle, const AcGeVector3d& axis)
{
    AcGeVector3d k = axis.normal();
    double c = std::cos(angle), s = std::sin(angle);
    return v * c + k.crossProduct(v) * s + k * (k.dotProduct(v) * (1.0 - c));
}

}  // namespace

AcGeVector3d& AcGeVector3d::rotateBy(double ang, const AcGeVector3d& axis) { return *this = rotated(*this, ang, axis); }

AcGeVector3d AcGeVector3d::rotateBy(double ang, const AcGeVector3d& axis) const { return rotated(*this, ang, axis); }

AcGeVector3d AcGeVector3d::perpVector() const
{
    // Cross with the world axis least parallel to this vector.
    double ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    AcGeVector3d other = (ax <= ay && ax <= az) ? kXAxis : (ay <= az ? kYAxis : kZAxis);
    return crossProduct(other);
}

AcGePoint3d& AcGePoint3d::rotateBy(double angle, const AcGeVector3d& vec, const AcGePoint3d& wrtPoint)
{
    return *this = wrtPoint + rotated(*this - wrtPoint, angle, vec);
}

AcGePoint3d& AcGePoint3d::scaleBy(double scaleFactor, const AcGePoint3d& wrtPoint)
{
    return *this = wrtPoint + (*this - wrtPoint) * scaleFactor;
}

AcGeMatrix3d& AcGeMatrix3d::setToIdentity()
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            entry[r][c] = r == c ? 1.0 : 0.0;
    return *this;
}

AcGeMatrix3d AcGeMatrix3d::operator*(const AcGeMatrix3d& m) const
{
    AcGeMatrix3d r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += entry[i][k] * m.entry[k][j];
            r.entry[i][j] = sum;
        }
    return r;
}

double AcGeMatrix3d::det() const
{
    const double(&a)[4][4] = entry;
    double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
}

// Inverse by Gauss-Jordan elimination with partial pivoting; a singular matrix gives
// the identity, as there is nothing better to return.
AcGeMatrix3d AcGeMatrix3d::inverse() const
{
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = entry[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-300)
            return AcGeMatrix3d();
        if (pivot != col)
            for (int c = 0; c < 8; ++c)
                std::swap(a[col][c], a[pivot][c]);
        double d = a[col][col];
        for (int c = 0; c < 8; ++c)
            a[col][c] /= d;
        for (int r = 0; r < 4; ++r) {
            if (r == col)
                continue;
            double f = a[r][col];
            if (f != 0.0)
                for (int c = 0; c < 8; ++c)
                    a[r][c] -= f * a[col][c];
        }
    }
    AcGeMatrix3d inv;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            inv.entry[r][c] = a[r][c + 4];
    return inv;
}

bool AcGeMatrix3d::isSingular(const AcGeTol& tol) const { return std::fabs(det()) <= tol.equalPoint(); }

bool AcGeMatrix3d::isScaledOrtho(const AcGeTol& tol) const
{
    AcGeVector3d cols[3];
    for (int c = 0; c < 3; ++c)
        cols[c] = AcGeVector3d(entry[0][c], entry[1][c], entry[2][c]);
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (!cols[i].isPerpendicularTo(cols[j], tol))
                return false;
    return true;
}

bool AcGeMatrix3d::isUniScaledOrtho(const AcGeTol& tol) const
{
    if (!isScaledOrtho(tol))
        return false;
    double l0 = AcGeVector3d(entry[0][0], entry[1][0], entry[2][0]).length();
    for (int c = 1; c < 3; ++c) {
        double l = AcGeVector3d(entry[0][c], entry[1][c], entry[2][c]).length();
        if (std::fabs(l - l0) > tol.equalPoint() * (1.0 + l0))
            return false;
    }
    return true;
}

bool AcGeMatrix3d::isEqualTo(const AcGeMatrix3d& m, const AcGeTol& tol) const
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (std::fabs(entry[r][c] - m.entry[r][c]) > tol.equalVector())
                return false;
    return true;
}

AcGeMatrix3d& AcGeMatrix3d::setTranslation(const AcGeVector3d& v)
{
    entry[0][3] = v.x;
    entry[1][3] = v.y;
    entry[2][3] = v.z;
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setToTranslation(const AcGeVector3d& vec)
{
    setToIdentity();
    return setTranslation(vec);
}

AcGeMatrix3d& AcGeMatrix3d::setToRotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center)
{
    setToIdentity();
    AcGeVector3d cols[3] = {rotated(AcGeVector3d::kXAxis, angle, axis), rotated(AcGeVector3d::kYAxis, angle, axis),
                            rotated(AcGeVector3d::kZAxis, angle, axis)};
    for (int c = 0; c < 3; ++c) {
        entry[0][c] = cols[c].x;
        entry[1][c] = cols[c].y;
        entry[2][c] = cols[c].z;
    }
    // p' = R (p - c) + c
    AcGeVector3d cv = center.asVector();
    AcGeVector3d rc = (*this) * cv;
    return setTranslation(cv - rc);
}

AcGeMatrix3d& AcGeMatrix3d::setToScaling(double scaleAll, const AcGePoint3d& center)
{
    setToIdentity();
    for (int i = 0; i < 3; ++i)
        entry[i][i] = scaleAll;
    AcGeVector3d cv = center.asVector();
    return setTranslation(cv - cv * scaleAll);
}

AcGeMatrix3d& AcGeMatrix3d::setToMirroring(const AcGePlane& plane)
{
    // p' = p - 2 ((p - o) . n) n
    setToIdentity();
    AcGeVector3d n = plane.normal();
    double nn[3] = {n.x, n.y, n.z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            entry[r][c] = (r == c ? 1.0 : 0.0) - 2.0 * nn[r] * nn[c];
    double d = plane.pointOnPlane().asVector().dotProduct(n);
    return setTranslation(n * (2.0 * d));
}

AcGeMatrix3d& AcGeMatrix3d::setToMirroring(const AcGePoint3d& pnt)
{
    setToScaling(-1.0, pnt);
    return *this;
}

AcGeMatrix3d& AcGeMatrix3d::setToMirroring(const AcGeLine3d& line)
{
    // Reflection through a line: p' = 2 (o + ((p - o) . d) d) - p
    setToIdentity();
    AcGeVector3d d = line.direction();
    double dd[3] = {d.x, d.y, d.z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            entry[r][c] = 2.0 * dd[r] * dd[c] - (r == c ? 1.0 : 0.0);
    AcGeVector3d o = line.pointOnLine().asVector();
    AcGeVector3d mo = (*this) * o;
    return setTranslation(o - mo);
}

AcGeMatrix3d AcGeMatrix3d::translation(const AcGeVector3d& vec) { return AcGeMatrix3d().setToTranslation(vec); }
AcGeMatrix3d AcGeMatrix3d::rotation(double angle, const AcGeVector3d& axis, const AcGePoint3d& center)
{
    return AcGeMatrix3d().setToRotation(angle, axis, center);
}
AcGeMatrix3d AcGeMatrix3d::scaling(double scaleAll, const AcGePoint3d& center)
{
    return AcGeMatrix3d().setToScaling(scaleAll, center);
}
AcGeMatrix3d AcGeMatrix3d::mirroring(const AcGePlane& plane) { return AcGeMatrix3d().setToMirroring(plane); }
AcGeMatrix3d AcGeMatrix3d::mirroring(const AcGePoint3d& pnt) { return AcGeMatrix3d().setToMirroring(pnt); }
AcGeMatrix3d AcGeMatrix3d::mirroring(const AcGeLine3d& line) { return AcGeMatrix3d().setToMirroring(line); }

double AcGeMatrix3d::scale() const
{
    double best = 0.0;
    for (int c = 0; c < 3; ++c) {
        double l = AcGeVector3d(entry[0][c], entry[1][c], entry[2][c]).length();
        if (l > best)
            best = l;
    }
    return best;
}

double AcGeMatrix3d::norm() const
{
    double best = 0.0;
    for (int r = 0; r < 4; ++r) {
        double sum = 0.0;
        for (int c = 0; c < 4; ++c)
            sum += std::fabs(entry[r][c]);
        if (sum > best)
            best = sum;
    }
    return best;
}
