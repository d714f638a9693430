// The geometry library's scale factors: their tests and their conversion to and from
// matrices.
#include <cmath>

#include "gescl3d.h"

const AcGeScale3d AcGeScale3d::kIdentity(1.0, 1.0, 1.0);

namespace {

AcGeVector3d column(const AcGeMatrix3d& mat, int c)
{
    return AcGeVector3d(mat.entry[0][c], mat.entry[1][c], mat.entry[2][c]);
}

}  // namespace

Adesk::Boolean AcGeScale3d::isProportional(const AcGeTol& tol) const
{
    return std::fabs(sx - sy) <= tol.equalVector() && std::fabs(sx - sz) <= tol.equalVector();
}

bool AcGeScale3d::isEqualTo(const AcGeScale3d& scaleVec, const AcGeTol& tol) const
{
    return std::fabs(sx - scaleVec.sx) <= tol.equalVector() && std::fabs(sy - scaleVec.sy) <= tol.equalVector() &&
           std::fabs(sz - scaleVec.sz) <= tol.equalVector();
}

AcGeScale3d::operator AcGeMatrix3d() const
{
    AcGeMatrix3d mat;
    mat.entry[0][0] = sx;
    mat.entry[1][1] = sy;
    mat.entry[2][2] = sz;
    return mat;
}

AcGeScale3d& AcGeScale3d::extractScale(const AcGeMatrix3d& mat)
{
    return set(column(mat, 0).length(), column(mat, 1).length(), column(mat, 2).length());
}

AcGeScale3d& AcGeScale3d::removeScale(AcGeMatrix3d& mat)
{
    extractScale(mat);
    for (int c = 0; c < 3; ++c) {
        const double length = (*this)[unsigned(c)];
        if (length == 0.0)
            continue;
        for (int r = 0; r < 3; ++r)
            mat.entry[r][c] /= length;
    }
    return *this;
}
