// Axis-aligned boxes of the drawing database: what entities report as their extents
// and what zooming and plotting union together.
#include <algorithm>
#include <limits>

#include "dbmain.h"

namespace {

constexpr double kHuge = std::numeric_limits<double>::max();

AcGePoint3d lowerCorner(const AcGePoint3d& a, const AcGePoint3d& b)
{
    return AcGePoint3d(std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z));
}

AcGePoint3d upperCorner(const AcGePoint3d& a, const AcGePoint3d& b)
{
    return AcGePoint3d(std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z));
}

}  // namespace

// Empty: min above max on every axis, so the first point added becomes both.
AcDbExtents::AcDbExtents() : mMinPoint(kHuge, kHuge, kHuge), mMaxPoint(-kHuge, -kHuge, -kHuge) {}

Acad::ErrorStatus AcDbExtents::set(const AcGePoint3d& min, const AcGePoint3d& max)
{
    if (min.x > max.x || min.y > max.y || min.z > max.z)
        return Acad::eInvalidExtents;
    mMinPoint = min;
    mMaxPoint = max;
    return Acad::eOk;
}

void AcDbExtents::addPoint(const AcGePoint3d& pt)
{
    mMinPoint = lowerCorner(mMinPoint, pt);
    mMaxPoint = upperCorner(mMaxPoint, pt);
}

void AcDbExtents::addExt(const AcDbExtents& src)
{
    if (src.isEmpty())
        return;
    addPoint(src.mMinPoint);
    addPoint(src.mMaxPoint);
}

// The box grows to hold itself moved by vec: each axis extends on the side vec points to.
void AcDbExtents::expandBy(const AcGeVector3d& vec)
{
    if (isEmpty())
        return;
    const double delta[3] = {vec.x, vec.y, vec.z};
    double* lows[3] = {&mMinPoint.x, &mMinPoint.y, &mMinPoint.z};
    double* highs[3] = {&mMaxPoint.x, &mMaxPoint.y, &mMaxPoint.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (delta[axis] > 0.0)
            *highs[axis] += delta[axis];
        else
            *lows[axis] += delta[axis];
    }
}

// The box of the transformed box's eight corners.
void AcDbExtents::transformBy(const AcGeMatrix3d& mat)
{
    if (isEmpty())
        return;
    const AcGePoint3d low = mMinPoint;
    const AcGePoint3d high = mMaxPoint;
    *this = AcDbExtents();
    for (int corner = 0; corner < 8; ++corner) {
        const AcGePoint3d pt((corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y,
                             (corner & 4) ? high.z : low.z);
        addPoint(mat * pt);
    }
}
